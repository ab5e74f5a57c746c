#pragma once
// Reading a few bytes here and there in a file without reading it whole: for
// walks over a file's structure that only need its headers.
#include <cstdint>
#include <filesystem>
#include <streambuf>
#include <string>
#include <string_view>

namespace pixaldo {

class FileReader {
 public:
  // Opens a regular file; throws FileError naming it when it cannot be opened
  // or is no regular file.
  explicit FileReader(const std::filesystem::path& path);
  ~FileReader();
  FileReader(const FileReader&) = delete;
  FileReader& operator=(const FileReader&) = delete;

  int64_t Size() const { return size_; }
  // The open file, for a program that reads it on its standard input.
  int Descriptor() const { return fd_; }
  // Up to `count` bytes from `position`; fewer at the end of the file.
  // Throws FileError when the file cannot be read.
  std::string ReadAt(int64_t position, size_t count) const;
  // The same into the caller's buffer; returns the number of bytes read.
  size_t ReadAt(int64_t position, char* into, size_t count) const;

 private:
  std::filesystem::path path_;
  int fd_ = -1;
  int64_t size_ = 0;
};

// A file read front to back as a stream, in pieces of 16 KB into a buffer
// of its own: for readers that walk a file's first segments and stop, with
// no more set-up than one open and no more reads than they need.
class FileStreamBuffer : public std::streambuf {
 public:
  // Opens the file; false from IsOpen when it cannot be opened or is no
  // regular file (never waiting on a pipe or device).
  explicit FileStreamBuffer(const std::filesystem::path& path);
  ~FileStreamBuffer() override;
  FileStreamBuffer(const FileStreamBuffer&) = delete;
  FileStreamBuffer& operator=(const FileStreamBuffer&) = delete;

  bool IsOpen() const { return fd_ >= 0; }

 protected:
  int_type underflow() override;

 private:
  int fd_ = -1;
  char buffer_[16 * 1024];
};

// Bytes in memory read as a stream, without a copy; they must outlive it.
class MemoryStreamBuffer : public std::streambuf {
 public:
  explicit MemoryStreamBuffer(std::string_view bytes) {
    char* begin = const_cast<char*>(bytes.data());  // only ever read
    setg(begin, begin, begin + bytes.size());
  }
};

}  // namespace pixaldo
