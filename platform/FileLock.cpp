#include "platform/FileLock.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "platform/FileError.h"
#include "platform/FileSystem.h"

namespace pixaldo {
namespace {

struct Holding {
  int count = 0;
  std::optional<FileTime> date;
  dev_t device = 0;  // the file's identity when it was locked (0 and 0: none)
  ino_t inode = 0;
  std::thread::id owner;
};

std::mutex gMutex;
std::condition_variable gReleased;
std::map<fs::path, Holding> gHeld;  // by the normal absolute path of the file locked

constexpr std::chrono::milliseconds kPollInterval{10};
constexpr int kMaxLinks = 40;

bool SameFile(int fd, const fs::path& path) {
  struct stat held {}, named {};
  return ::fstat(fd, &held) == 0 && ::stat(path.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
         held.st_ino == named.st_ino;
}

// Opens and locks the file; -1 when there is nothing to lock. The writer
// before us may have replaced the file while we waited: then the lock is on
// the old one, and the new one is locked instead.
int LockFile(const fs::path& resolved, const fs::path& named) {
  const auto deadline = std::chrono::steady_clock::now() + kLockWait;
  for (;;) {
    const int fd = ::open(resolved.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return -1;  // missing or unreadable: the read or write itself reports it
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
      ::close(fd);
      return -1;
    }
    if (FaultInjection::ShouldFail(FaultInjection::Step::Lock)) {
      ::close(fd);
      throw FileError(named, "cannot lock the file: " + std::string(std::strerror(ENOLCK)));
    }
    for (;;) {
      if (::flock(fd, LOCK_EX | LOCK_NB) == 0) break;
      const int error = errno;
      if (error != EWOULDBLOCK && error != EINTR) {
        ::close(fd);
        // A file system without locks cannot coordinate writers at all; the
        // write goes on as it would without this program's lock.
        if (error == ENOLCK || error == EOPNOTSUPP) return -1;
        throw FileError(named, "cannot lock the file: " + std::string(std::strerror(error)));
      }
      if (std::chrono::steady_clock::now() >= deadline) {
        ::close(fd);
        throw FileError(named, "another program is writing the file; try again when it has finished");
      }
      std::this_thread::sleep_for(kPollInterval);
    }
    if (SameFile(fd, resolved)) return fd;
    ::close(fd);
  }
}

fs::path KeyOf(const fs::path& resolved) { return fs::absolute(resolved).lexically_normal(); }

// The entry of a file this process holds: under its name, or under another
// name of the same file (another spelling, a hard link). Call with gMutex held.
std::map<fs::path, Holding>::iterator FindHeld(const fs::path& key) {
  auto found = gHeld.find(key);
  if (found != gHeld.end()) return found;
  struct stat info {};
  if (::stat(key.c_str(), &info) != 0) return gHeld.end();
  return std::find_if(gHeld.begin(), gHeld.end(), [&](const auto& entry) {
    return entry.second.inode != 0 && entry.second.device == info.st_dev && entry.second.inode == info.st_ino;
  });
}

}  // namespace

fs::path ResolveLinks(const fs::path& path) {
  fs::path current = path;
  for (int hop = 0; hop < kMaxLinks; ++hop) {
    std::error_code error;
    if (!fs::is_symlink(fs::symlink_status(current, error))) return current;
    const fs::path target = fs::read_symlink(current, error);
    if (error) return current;
    current = (target.is_absolute() ? target : current.parent_path() / target).lexically_normal();
  }
  return current;
}

PhotoLock::PhotoLock(const fs::path& file, bool keepDate) : resolved_(KeyOf(ResolveLinks(file))) {
  {
    // Another thread of this process writing the file is waited for as
    // another program would be; the same thread takes the lock again.
    std::unique_lock<std::mutex> guard(gMutex);
    const auto mine = [this] {
      const auto found = FindHeld(resolved_);
      return found == gHeld.end() || found->second.owner == std::this_thread::get_id();
    };
    if (!gReleased.wait_for(guard, kLockWait, mine))
      throw FileError(file, "another command is writing the file; try again when it has finished");
    auto found = FindHeld(resolved_);
    if (found != gHeld.end()) {
      resolved_ = found->first;
      ++found->second.count;
      if (keepDate && !found->second.date) found->second.date = GetFileDate(resolved_);
      registered_ = true;
      return;
    }
    gHeld[resolved_].owner = std::this_thread::get_id();  // claimed while the file lock is taken
  }
  try {
    fd_ = LockFile(resolved_, file);
  } catch (...) {
    std::lock_guard<std::mutex> guard(gMutex);
    gHeld.erase(resolved_);
    gReleased.notify_all();
    throw;
  }
  std::lock_guard<std::mutex> guard(gMutex);
  Holding& holding = gHeld[resolved_];
  ++holding.count;
  if (keepDate) holding.date = GetFileDate(resolved_);
  struct stat info {};
  if (fd_ >= 0 && ::fstat(fd_, &info) == 0) {
    holding.device = info.st_dev;
    holding.inode = info.st_ino;
  }
  registered_ = true;
}

PhotoLock::~PhotoLock() {
  if (registered_) {
    std::lock_guard<std::mutex> guard(gMutex);
    auto found = gHeld.find(resolved_);
    if (found != gHeld.end() && --found->second.count == 0) {
      if (fd_ >= 0) ::close(fd_);  // before another thread may take it
      fd_ = -1;
      gHeld.erase(found);
      gReleased.notify_all();
    }
  }
  if (fd_ >= 0) ::close(fd_);
}

bool PhotoLock::HeldByThisProcess(const fs::path& resolved) {
  std::lock_guard<std::mutex> guard(gMutex);
  return FindHeld(KeyOf(resolved)) != gHeld.end();
}

std::optional<FileTime> PhotoLock::KeptDate(const fs::path& resolved) {
  std::lock_guard<std::mutex> guard(gMutex);
  auto found = FindHeld(KeyOf(resolved));
  return found == gHeld.end() ? std::nullopt : found->second.date;
}

}  // namespace pixaldo
