#pragma once
// A photo as one command sees it: locked first (PhotoLock), then opened once
// (regular files only, without waiting on a pipe or device named like a
// photo), and every step of the command reads through this one descriptor
// (an outside program on its standard input). No other writer of this
// program can change the photo between the command's read and its write, and
// no step can see another file than the others.
#include <cstdint>
#include <filesystem>
#include <string>

#include "platform/FileLock.h"
#include "platform/FileReader.h"

namespace pixaldo {

class PhotoFile {
 public:
  // Locks and opens the photo (a link: the file it names). Throws FileError
  // naming it: missing, "is a folder", "not a regular file", or another
  // writer holding it too long. With `keepDate`, every atomic write of the
  // file while this object lives keeps the date the file has now.
  explicit PhotoFile(const std::filesystem::path& path, bool keepDate = false);

  const std::filesystem::path& Path() const { return path_; }
  const FileReader& Reader() const { return reader_; }
  uint64_t Size() const { return uint64_t(reader_.Size()); }
  // The modification time when it was opened.
  FileTime Date() const { return date_; }
  // The whole file; FileError when it is larger than `maxBytes` or cannot be read.
  std::string ReadAll(uint64_t maxBytes = uint64_t(1) << 31) const;

 private:
  std::filesystem::path path_;
  PhotoLock lock_;
  FileReader reader_;
  FileTime date_;
};

}  // namespace pixaldo
