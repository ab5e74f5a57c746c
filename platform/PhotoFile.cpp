#include "platform/PhotoFile.h"

#include <sys/stat.h>

#include "platform/FileError.h"

namespace pixaldo {

PhotoFile::PhotoFile(const std::filesystem::path& path, bool keepDate)
    : path_(path), lock_(path, keepDate), reader_(path) {
  struct stat info {};
  ::fstat(reader_.Descriptor(), &info);
  date_ = std::chrono::file_clock::from_sys(std::chrono::sys_time<std::chrono::nanoseconds>(
      std::chrono::seconds(info.st_mtim.tv_sec) + std::chrono::nanoseconds(info.st_mtim.tv_nsec)));
}

std::string PhotoFile::ReadAll(uint64_t maxBytes) const {
  if (Size() > maxBytes) throw FileError(path_, "the file is too large to be read");
  std::string bytes = reader_.ReadAt(0, size_t(Size()));
  return bytes;
}

}  // namespace pixaldo
