#pragma once
// The viewer's read-ahead store: pictures prepared for the photos next to
// the current one, each with the stamp of its file as it was read. A picture
// is handed out only while its file still has that stamp, so a file
// rewritten, replaced or given another date is never shown from the store.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

#include "photo_view/PreparedPicture.h"

namespace pixaldo {

// What identifies one state of a file: size, modification and status-change
// times (ns) and the file's device and inode (a replacement is another file).
struct FileStamp {
  uint64_t size = 0;
  int64_t modified = 0;
  int64_t changed = 0;
  uint64_t device = 0;
  uint64_t inode = 0;
  bool operator==(const FileStamp&) const = default;
};

// The stamp of a regular file; nothing when it is missing or no file.
std::optional<FileStamp> StampOf(const std::filesystem::path& file);

class PictureCache {
 public:
  explicit PictureCache(size_t budgetBytes) : budget_(budgetBytes) {}

  // Keeps a picture prepared from its file while the file had `stamp`. When
  // the store then holds more than the budget, the pictures furthest down
  // the wanted order go first (maybe this one).
  void Put(const FileStamp& stamp, PreparedPicture picture);
  // The picture of `file`, taken out of the store, when the file still has
  // the stamp it had when read; a stale picture is dropped.
  std::optional<PreparedPicture> Take(const std::filesystem::path& file);
  // The files wanted next, nearest first: all others are dropped.
  void Want(std::vector<std::filesystem::path> files);
  const std::vector<std::filesystem::path>& Wanted() const { return wanted_; }
  bool Holds(const std::filesystem::path& file) const;
  void Drop(const std::filesystem::path& file);
  void Clear();

  size_t Used() const;
  size_t Budget() const { return budget_; }

 private:
  struct Entry {
    FileStamp stamp;
    PreparedPicture picture;
  };
  size_t Rank(const std::filesystem::path& file) const;
  void Trim();

  size_t budget_;
  std::vector<std::filesystem::path> wanted_;
  std::vector<Entry> entries_;
};

}  // namespace pixaldo
