#include "platform/FileSystem.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace pixaldo {
namespace {

int gFailAt = 0;
int gOperations = 0;

std::string ErrnoText(int error) { return std::strerror(error); }

std::string RandomSuffix() {
  static std::mt19937_64 generator{std::random_device{}()};
  static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::string out;
  for (int i = 0; i < 8; ++i) out += kLetters[generator() % 36];
  return out;
}

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

}  // namespace

namespace FaultInjection {
void FailAt(int operationNumber) {
  gFailAt = operationNumber;
  gOperations = 0;
}
int OperationsSoFar() { return gOperations; }
void Reset() {
  gFailAt = 0;
  gOperations = 0;
}
bool ShouldFail(Step) {
  ++gOperations;
  return gFailAt != 0 && gOperations == gFailAt;
}
}  // namespace FaultInjection

namespace {

// Opens a regular file of at most maxBytes for reading it whole; its size
// goes to `size`. Throws FileError naming the file otherwise.
int OpenWholeFile(const fs::path& path, uint64_t maxBytes, uint64_t& size) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw FileError(path, "cannot open the file: " + ErrnoText(errno));
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    int error = errno;
    ::close(fd);
    throw FileError(path, S_ISDIR(info.st_mode) ? "it is a directory" : "cannot read the file: " + ErrnoText(error));
  }
  if (uint64_t(info.st_size) > maxBytes) {
    ::close(fd);
    throw FileError(path, "the file is too large to be read");
  }
  size = uint64_t(info.st_size);
  return fd;
}

}  // namespace

void CheckWholeFile(const fs::path& path, uint64_t maxBytes) {
  uint64_t size = 0;
  ::close(OpenWholeFile(path, maxBytes, size));
}

std::string ReadWholeFile(const fs::path& path, uint64_t maxBytes) {
  uint64_t size = 0;
  const int fd = OpenWholeFile(path, maxBytes, size);
  std::string bytes;
  bytes.resize(size_t(size));
  size_t got = 0;
  while (got < bytes.size()) {
    ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      int error = errno;
      ::close(fd);
      throw FileError(path, "cannot read the file: " + ErrnoText(error));
    }
    if (n == 0) break;  // the file shrank while being read
    got += size_t(n);
  }
  bytes.resize(got);
  ::close(fd);
  return bytes;
}

std::string ReadFileHead(const fs::path& path, size_t count) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw FileError(path, "cannot open the file: " + ErrnoText(errno));
  std::string bytes(count, '\0');
  size_t got = 0;
  while (got < count) {
    ssize_t n = ::read(fd, bytes.data() + got, count - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += size_t(n);
  }
  ::close(fd);
  bytes.resize(got);
  return bytes;
}

fs::path MakeTemporaryFile(const fs::path& directory, const std::string& prefix) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    fs::path candidate = directory / (prefix + RandomSuffix() + ".tmp");
    int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) {
      ::close(fd);
      return candidate;
    }
    if (errno != EEXIST) throw FileError(directory, "cannot create a temporary file: " + ErrnoText(errno));
  }
  throw FileError(directory, "cannot create a temporary file");
}

AtomicFileWriter::AtomicFileWriter(fs::path target) : target_(std::move(target)) {
  // A file the user made read-only stays untouched, as it would on any
  // editor, even though the directory would let us replace it.
  struct stat existing {};
  if (::stat(target_.c_str(), &existing) == 0 &&
      ((existing.st_mode & 0222) == 0 || ::access(target_.c_str(), W_OK) != 0))
    throw FileError(target_, "the file is read-only");
  fs::path directory = target_.parent_path();
  if (directory.empty()) directory = ".";
  for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
    temp_ = directory / ("." + target_.filename().string() + "." + RandomSuffix() + ".tmp");
    fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd_ < 0 && errno != EEXIST) break;
  }
  if (fd_ < 0) {
    int error = errno;
    temp_.clear();
    throw FileError(target_, "cannot create a temporary file beside it: " + ErrnoText(error));
  }
}

AtomicFileWriter::~AtomicFileWriter() {
  if (fd_ >= 0) ::close(fd_);
  if (!committed_ && !temp_.empty()) ::unlink(temp_.c_str());
}

void AtomicFileWriter::Fail(const std::string& reason) {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!temp_.empty()) ::unlink(temp_.c_str());
  temp_.clear();
  throw FileError(target_, reason);
}

void AtomicFileWriter::Write(std::string_view bytes) {
  if (fd_ < 0) throw FileError(target_, "the file is not open for writing");
  if (!WriteAll(fd_, bytes)) Fail("cannot write the file: " + ErrnoText(errno));
}

void AtomicFileWriter::Commit() {
  if (fd_ < 0) throw FileError(target_, "the file is not open for writing");
  // The new file takes the permissions of the one it replaces; a new file
  // gets the usual ones for the user's umask.
  struct stat info {};
  if (::stat(target_.c_str(), &info) == 0) {
    ::fchmod(fd_, info.st_mode & 07777);
  } else {
    mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd_, 0666 & ~mask);
  }
  if (FaultInjection::ShouldFail(FaultInjection::Step::Flush)) {
    errno = EIO;
    Fail("cannot flush the file to disk: " + ErrnoText(errno));
  }
  if (::fsync(fd_) != 0) Fail("cannot flush the file to disk: " + ErrnoText(errno));
  if (::close(fd_) != 0) {
    fd_ = -1;
    Fail("cannot close the file: " + ErrnoText(errno));
  }
  fd_ = -1;
  if (FaultInjection::ShouldFail(FaultInjection::Step::Rename)) {
    errno = EIO;
    Fail("cannot replace the file: " + ErrnoText(errno));
  }
  if (::rename(temp_.c_str(), target_.c_str()) != 0) Fail("cannot replace the file: " + ErrnoText(errno));
  committed_ = true;
}

void WriteFileAtomic(const fs::path& path, std::string_view bytes) {
  AtomicFileWriter writer(path);
  writer.Write(bytes);
  writer.Commit();
}

void CopyFileAtomic(const fs::path& source, const fs::path& target) {
  std::string bytes = ReadWholeFile(source);
  WriteFileAtomic(target, bytes);
}

void RenameFile(const fs::path& from, const fs::path& to) {
  if (FaultInjection::ShouldFail(FaultInjection::Step::Rename)) throw FileError(to, "cannot replace the file: I/O error");
  if (::rename(from.c_str(), to.c_str()) != 0) throw FileError(to, "cannot replace the file: " + ErrnoText(errno));
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

std::time_t ToTimeT(FileTime time) {
  auto system = std::chrono::file_clock::to_sys(time);
  return std::chrono::system_clock::to_time_t(system);
}

}  // namespace pixaldo
