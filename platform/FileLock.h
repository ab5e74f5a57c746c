#pragma once
// One writer at a time for each photo. An edit reads the photo, changes what
// it read and writes it back; two edits running at once would each write
// their own change over the other's. PhotoLock is held from the read to the
// last write: it takes an exclusive advisory lock (flock) on the photo, which
// every writer of this program takes too, so a second writer waits for the
// first to finish and then reads what the first wrote. Within this process
// the lock belongs to the thread that took it: another thread waits for it
// the same way, while the holder may take it again.
//
// The atomic writer locks its target itself when this process does not hold
// it already, so every write is covered; an edit takes the lock earlier, so
// that its read is covered as well.
#include <chrono>
#include <filesystem>
#include <optional>

namespace pixaldo {

namespace fs = std::filesystem;
using FileTime = std::filesystem::file_time_type;

// How long a writer waits for another to finish before giving up.
inline constexpr std::chrono::milliseconds kLockWait{10000};

class PhotoLock {
 public:
  // Locks the file (a link: the file it names). A missing file or one that
  // is not a regular file needs no lock. Throws FileError naming `file` when
  // another writer keeps it longer than kLockWait or the lock cannot be taken.
  // With `keepDate`, every atomic write of the file made while the lock is
  // held gives the new file the date the file had now, before it replaces
  // the old one.
  explicit PhotoLock(const fs::path& file, bool keepDate = false);
  ~PhotoLock();
  PhotoLock(const PhotoLock&) = delete;
  PhotoLock& operator=(const PhotoLock&) = delete;

  // Whether this process holds the lock on the (resolved) file, and the date
  // its writes must keep.
  static bool HeldByThisProcess(const fs::path& resolved);
  static std::optional<FileTime> KeptDate(const fs::path& resolved);

 private:
  fs::path resolved_;
  int fd_ = -1;
  bool registered_ = false;
};

// The file a path names, following symbolic links (relative ones from the
// link's folder). The file itself need not exist; a chain of more than 40
// links ends the following.
fs::path ResolveLinks(const fs::path& path);

}  // namespace pixaldo
