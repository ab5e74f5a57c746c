#include "platform/FileReader.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/FileError.h"
#include "platform/FileSystem.h"

namespace pixaldo {

FileReader::FileReader(const std::filesystem::path& path) : path_(path) {
  // Checks the file type before anything could block on a pipe or device.
  fd_ = OpenRegularFile(path);
  struct stat info {};
  if (::fstat(fd_, &info) != 0) {
    const int error = errno;
    ::close(fd_);
    throw FileError(path, std::string("cannot read the file: ") + std::strerror(error));
  }
  size_ = int64_t(info.st_size);
}

FileReader::~FileReader() { ::close(fd_); }

std::string FileReader::ReadAt(int64_t position, size_t count) const {
  std::string bytes(count, '\0');
  bytes.resize(ReadAt(position, bytes.data(), count));
  return bytes;
}

size_t FileReader::ReadAt(int64_t position, char* into, size_t count) const {
  size_t got = 0;
  while (got < count) {
    const ssize_t n = ::pread(fd_, into + got, count - got, off_t(position) + off_t(got));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw FileError(path_, std::string("cannot read the file: ") + std::strerror(errno));
    if (n == 0) break;
    got += size_t(n);
  }
  return got;
}

FileStreamBuffer::FileStreamBuffer(const std::filesystem::path& path) {
  try {
    fd_ = OpenRegularFile(path);
  } catch (const FileError&) {
    fd_ = -1;
  }
}

FileStreamBuffer::~FileStreamBuffer() {
  if (fd_ >= 0) ::close(fd_);
}

FileStreamBuffer::int_type FileStreamBuffer::underflow() {
  if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
  if (fd_ < 0) return traits_type::eof();
  ssize_t n;
  do n = ::read(fd_, buffer_, sizeof buffer_);
  while (n < 0 && errno == EINTR);
  if (n <= 0) return traits_type::eof();
  setg(buffer_, buffer_, buffer_ + n);
  return traits_type::to_int_type(*gptr());
}

}  // namespace pixaldo
