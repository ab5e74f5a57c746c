#include "photo_view/PictureCache.h"

#include <algorithm>
#include <sys/stat.h>

namespace pixaldo {

std::optional<FileStamp> StampOf(const std::filesystem::path& file) {
  struct stat info {};
  if (::stat(file.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  constexpr int64_t kBillion = 1'000'000'000;
  return FileStamp{static_cast<uint64_t>(info.st_size), info.st_mtim.tv_sec * kBillion + info.st_mtim.tv_nsec,
                   info.st_ctim.tv_sec * kBillion + info.st_ctim.tv_nsec, static_cast<uint64_t>(info.st_dev),
                   static_cast<uint64_t>(info.st_ino)};
}

size_t PictureCache::Rank(const std::filesystem::path& file) const {
  return static_cast<size_t>(std::find(wanted_.begin(), wanted_.end(), file) - wanted_.begin());
}

void PictureCache::Put(const FileStamp& stamp, PreparedPicture picture) {
  Drop(picture.fileName);
  if (Rank(picture.fileName) == wanted_.size()) return;  // no longer wanted
  entries_.push_back({stamp, std::move(picture)});
  Trim();
}

std::optional<PreparedPicture> PictureCache::Take(const std::filesystem::path& file) {
  const auto found = std::find_if(entries_.begin(), entries_.end(),
                                  [&](const Entry& entry) { return entry.picture.fileName == file; });
  if (found == entries_.end()) return std::nullopt;
  std::optional<PreparedPicture> picture;
  if (StampOf(file) == found->stamp) picture = std::move(found->picture);
  entries_.erase(found);
  return picture;
}

void PictureCache::Want(std::vector<std::filesystem::path> files) {
  wanted_ = std::move(files);
  std::erase_if(entries_, [&](const Entry& entry) { return Rank(entry.picture.fileName) == wanted_.size(); });
}

bool PictureCache::Holds(const std::filesystem::path& file) const {
  return std::any_of(entries_.begin(), entries_.end(),
                     [&](const Entry& entry) { return entry.picture.fileName == file; });
}

void PictureCache::Drop(const std::filesystem::path& file) {
  std::erase_if(entries_, [&](const Entry& entry) { return entry.picture.fileName == file; });
}

void PictureCache::Clear() { entries_.clear(); }

size_t PictureCache::Used() const {
  size_t used = 0;
  for (const Entry& entry : entries_) used += entry.picture.MemoryBytes();
  return used;
}

void PictureCache::Trim() {
  std::stable_sort(entries_.begin(), entries_.end(), [&](const Entry& a, const Entry& b) {
    return Rank(a.picture.fileName) < Rank(b.picture.fileName);
  });
  while (!entries_.empty() && Used() > budget_) entries_.pop_back();
}

}  // namespace pixaldo
