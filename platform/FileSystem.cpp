#include "platform/FileSystem.h"

#include <atomic>
#include <mutex>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/FileAttributes.h"
#include "platform/WriteBatch.h"

namespace pixaldo {
namespace {

// Counted from every thread that writes; only the one operation that fails
// writes down its step.
std::atomic<int> gFailAt{0};
std::atomic<int> gOperations{0};
std::optional<FaultInjection::Step> gFailedStep;

std::string ErrnoText(int error) { return std::strerror(error); }

// Writes all bytes, retrying short writes; false with errno set on failure.
bool WriteAll(int fd, std::string_view bytes) {
  if (FaultInjection::ShouldFail(FaultInjection::Step::Write)) {
    errno = ENOSPC;
    return false;
  }
  const char* p = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += n;
    left -= size_t(n);
  }
  return true;
}

// Why a file that exists cannot be read as a photo; empty for a regular file.
std::string TypeProblem(mode_t mode) {
  if (S_ISREG(mode)) return {};
  return S_ISDIR(mode) ? "is a folder" : "not a regular file";
}

// Why a file cannot be made in a folder, in the user's terms.
std::string CreateProblem(int error) {
  if (error == EACCES || error == EPERM) return "the folder is not writable";
  if (error == EROFS) return "the file system is read-only";
  return ErrnoText(error);
}

bool SameFile(int fd, const fs::path& path) {
  struct stat held {}, named {};
  return ::fstat(fd, &held) == 0 && ::lstat(path.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
         held.st_ino == named.st_ino;
}

// The process's umask. Read from the kernel's status of the process: setting
// it to learn it would, for a moment, leave other threads' new files with no
// mask at all, and two threads doing so at once could leave it at zero.
mode_t ProcessUmask() {
  if (std::FILE* status = std::fopen("/proc/self/status", "re")) {
    char line[256];
    unsigned mask = 0;
    bool found = false;
    while (!found && std::fgets(line, sizeof line, status)) found = std::sscanf(line, "Umask: %o", &mask) == 1;
    std::fclose(status);
    if (found) return mode_t(mask);
  }
  static std::mutex mutex;  // without /proc: learned by setting it, one thread at a time
  const std::lock_guard lock(mutex);
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return mask;
}

fs::path FolderOf(const fs::path& file) {
  fs::path folder = file.parent_path();
  return folder.empty() ? fs::path(".") : folder;
}

}  // namespace

namespace FaultInjection {
void FailAt(int operationNumber) {
  gFailAt = operationNumber;
  gOperations = 0;
  gFailedStep.reset();
}
int OperationsSoFar() { return gOperations; }
std::optional<Step> FailedStep() { return gFailedStep; }
void Reset() {
  gFailAt = 0;
  gOperations = 0;
  gFailedStep.reset();
}
bool ShouldFail(Step step) {
  const int operation = ++gOperations;
  const int failAt = gFailAt.load();
  if (failAt == 0 || operation != failAt) return false;
  gFailedStep = step;
  return true;
}
}  // namespace FaultInjection

int OpenRegularFile(const fs::path& path) {
  // The type is checked before opening (opening a pipe would wait for a
  // writer) and again on the open file, which is opened without waiting.
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) throw FileError(path, "cannot open the file: " + ErrnoText(errno));
  if (std::string problem = TypeProblem(info.st_mode); !problem.empty()) throw FileError(path, problem);
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) throw FileError(path, "cannot open the file: " + ErrnoText(errno));
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    const int error = errno;
    ::close(fd);
    throw FileError(path, S_ISREG(info.st_mode) ? "cannot read the file: " + ErrnoText(error) : TypeProblem(info.st_mode));
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return fd;
}

namespace {

// Opens a regular file of at most maxBytes for reading it whole; its size
// goes to `size`. Throws FileError naming the file otherwise.
int OpenWholeFile(const fs::path& path, uint64_t maxBytes, uint64_t& size) {
  const int fd = OpenRegularFile(path);
  struct stat info {};
  ::fstat(fd, &info);
  if (uint64_t(info.st_size) > maxBytes) {
    ::close(fd);
    throw FileError(path, "the file is too large to be read");
  }
  size = uint64_t(info.st_size);
  return fd;
}

// Reads up to bytes.size() bytes; the count read. Throws FileError.
size_t ReadInto(int fd, std::string& bytes, const fs::path& path) {
  size_t got = 0;
  while (got < bytes.size()) {
    ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      int error = errno;
      ::close(fd);
      throw FileError(path, "cannot read the file: " + ErrnoText(error));
    }
    if (n == 0) break;  // the file is shorter (or shrank while being read)
    got += size_t(n);
  }
  return got;
}

}  // namespace

void CheckWholeFile(const fs::path& path, uint64_t maxBytes) {
  uint64_t size = 0;
  ::close(OpenWholeFile(path, maxBytes, size));
}

std::string ReadWholeFile(const fs::path& path, uint64_t maxBytes) {
  uint64_t size = 0;
  const int fd = OpenWholeFile(path, maxBytes, size);
  std::string bytes(size_t(size), '\0');
  bytes.resize(ReadInto(fd, bytes, path));
  ::close(fd);
  return bytes;
}

std::string ReadFileHead(const fs::path& path, size_t count) {
  const int fd = OpenRegularFile(path);
  std::string bytes(count, '\0');
  bytes.resize(ReadInto(fd, bytes, path));
  ::close(fd);
  return bytes;
}

namespace {
std::atomic<WrittenFileObserver> gWrittenFileObserver{nullptr};
}  // namespace

void SetWrittenFileObserver(WrittenFileObserver observer) { gWrittenFileObserver.store(observer); }

AtomicFileWriter::AtomicFileWriter(fs::path target, WriteKind kind)
    : target_(std::move(target)), resolved_(ResolveLinks(target_)), kind_(kind) {
  struct stat existing {};
  const bool exists = ::stat(resolved_.c_str(), &existing) == 0;
  if (exists && S_ISDIR(existing.st_mode)) throw FileError(target_, "is a folder");
  if (exists && !S_ISREG(existing.st_mode)) {
    OpenDirect();
    return;
  }
  // A file the user made read-only stays untouched, as it would on any
  // editor, even though the folder would let us replace it.
  if (exists && (existing.st_mode & 0222) == 0) throw FileError(target_, "the file is read-only");
  if (exists && ::access(resolved_.c_str(), W_OK) != 0)
    throw FileError(target_, errno == EROFS ? "the file system is read-only" : "you have no permission to write the file");
  if (kind_ == WriteKind::UserFile) {
    lock_ = std::make_unique<PhotoLock>(target_);
    if (!keptDate_) keptDate_ = PhotoLock::KeptDate(resolved_);
    if (WriteBatch::FirstWriteInto(FolderOf(resolved_))) RemoveStaleTemporaryFiles(FolderOf(resolved_));
  }
  CreateTemporary();
}

// Devices and pipes are written into as they are: renaming over one would
// put a plain file in its place.
void AtomicFileWriter::OpenDirect() {
  fd_ = ::open(resolved_.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
  if (fd_ < 0) throw FileError(target_, "cannot open the file for writing: " + ErrnoText(errno));
  direct_ = true;
}

void AtomicFileWriter::CreateTemporary() {
  for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
    temp_ = TemporaryNameFor(resolved_);
    fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd_ < 0) {
      if (errno == EEXIST) continue;
      const int error = errno;
      temp_.clear();
      throw FileError(target_, "cannot create a temporary file beside it: " + CreateProblem(error));
    }
    // Held for as long as the file is ours; a clean-up of another writer
    // that removed the name before we held it makes us start again.
    if (::flock(fd_, LOCK_EX | LOCK_NB) != 0 || !SameFile(fd_, temp_)) {
      ::close(fd_);
      fd_ = -1;
    }
  }
  if (fd_ < 0) {
    temp_.clear();
    throw FileError(target_, "cannot create a temporary file beside it");
  }
  removeOnSignal_ = std::make_unique<RemoveOnSignal>(temp_);
}

AtomicFileWriter::~AtomicFileWriter() {
  if (!committed_ && !direct_ && !temp_.empty()) ::unlink(temp_.c_str());
  if (fd_ >= 0) ::close(fd_);
}

void AtomicFileWriter::Fail(const std::string& reason) {
  if (!direct_ && !temp_.empty()) ::unlink(temp_.c_str());
  temp_.clear();
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  throw FileError(target_, reason);
}

void AtomicFileWriter::Write(std::string_view bytes) {
  if (fd_ < 0) throw FileError(target_, "the file is not open for writing");
  if (!WriteAll(fd_, bytes)) Fail("cannot write the file: " + ErrnoText(errno));
  // The disk may start on what is written so far; Commit's flush then waits
  // only for the rest. A hint: whatever it returns, the flush decides.
  if (!direct_) ::sync_file_range(fd_, 0, 0, SYNC_FILE_RANGE_WRITE);
}

void AtomicFileWriter::Commit() {
  if (fd_ < 0) throw FileError(target_, "the file is not open for writing");
  if (direct_) {
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) throw FileError(target_, "cannot write the file: " + ErrnoText(errno));
    committed_ = true;
    return;
  }
  // The new file takes the owner, permissions and attributes of the one it
  // replaces; a new file gets the usual permissions for the user's umask.
  struct stat info {};
  if (kind_ == WriteKind::CacheFile) {
    ::fchmod(fd_, 0600);
  } else if (::stat(resolved_.c_str(), &info) == 0) {
    try {
      CopyFileAttributes(resolved_, fd_, target_);
    } catch (const FileError& failure) {
      Fail(failure.reason());
    }
  } else {
    ::fchmod(fd_, 0666 & ~ProcessUmask());
  }
  if (keptDate_) {
    std::error_code ignored;  // a kept date is a courtesy that never stops a write
    fs::last_write_time(temp_, *keptDate_, ignored);
  }
  if (FaultInjection::ShouldFail(FaultInjection::Step::Flush)) {
    errno = EIO;
    Fail("cannot flush the file to disk: " + ErrnoText(errno));
  }
  if (kind_ == WriteKind::UserFile && ::fsync(fd_) != 0) Fail("cannot flush the file to disk: " + ErrnoText(errno));
  if (FaultInjection::ShouldFail(FaultInjection::Step::Rename)) {
    errno = EIO;
    Fail("cannot replace the file: " + ErrnoText(errno));
  }
  // Renamed while still open, so the temporary file's lock lasts until the
  // name is gone.
  if (::rename(temp_.c_str(), resolved_.c_str()) != 0) Fail("cannot replace the file: " + ErrnoText(errno));
  committed_ = true;
  removeOnSignal_.reset();
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) throw FileError(target_, "the new file is in place, but closing it failed: " + ErrnoText(errno));
  if (kind_ == WriteKind::CacheFile) return;
  if (const WrittenFileObserver observer = gWrittenFileObserver.load()) observer(target_);
  if (!WriteBatch::DefersFlushOf(FolderOf(resolved_))) SyncFolder();
}

// Makes the rename itself durable. File systems that cannot flush a folder
// say so with EINVAL; that is no failure of the write.
void AtomicFileWriter::SyncFolder() {
  int error = 0;
  if (FaultInjection::ShouldFail(FaultInjection::Step::SyncFolder)) {
    error = EIO;
  } else {
    const int folder = ::open(FolderOf(resolved_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) return;
    if (::fsync(folder) != 0 && errno != EINVAL && errno != EROFS) error = errno;
    ::close(folder);
  }
  if (error != 0)
    throw FileError(target_, "the new file is in place, but its folder could not be flushed to disk: " +
                                 ErrnoText(error));
}

void WriteFileAtomic(const fs::path& path, std::string_view bytes, std::optional<FileTime> date) {
  AtomicFileWriter writer(path);
  if (date) writer.KeepDate(*date);
  writer.Write(bytes);
  writer.Commit();
}

void CopyFileAtomic(const fs::path& source, const fs::path& target) {
  std::string bytes = ReadWholeFile(source);
  WriteFileAtomic(target, bytes);
}

std::optional<FileTime> GetFileDate(const fs::path& path) {
  std::error_code error;
  FileTime time = fs::last_write_time(path, error);
  if (error) return std::nullopt;
  return time;
}

void SetFileDate(const fs::path& path, FileTime time) {
  std::error_code ignored;
  fs::last_write_time(path, time, ignored);
}

FileFacts LookAtFile(const fs::path& path) {
  FileFacts facts;
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return facts;
  facts.exists = true;
  facts.regular = S_ISREG(info.st_mode);
  facts.size = uint64_t(info.st_size);
  facts.date = std::chrono::file_clock::from_sys(std::chrono::sys_time<std::chrono::nanoseconds>(
      std::chrono::seconds(info.st_mtim.tv_sec) + std::chrono::nanoseconds(info.st_mtim.tv_nsec)));
  return facts;
}

std::time_t ToTimeT(FileTime time) {
  auto system = std::chrono::file_clock::to_sys(time);
  return std::chrono::system_clock::to_time_t(system);
}

}  // namespace pixaldo
