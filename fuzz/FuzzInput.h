#pragma once
// Shared pieces of the fuzz harnesses: the input size limit and one reused
// file per process for the readers that take a file name.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace pixaldo::fuzz {

// Inputs above this are passed over: the readers only look at the metadata
// at the start of a file, and big inputs only slow the search down.
inline constexpr size_t kMaxInput = size_t(1) << 20;

inline bool TooLarge(size_t size) { return size > kMaxInput; }

inline std::string_view AsBytes(const uint8_t* data, size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// A folder of this process's own under the system's temporary folder,
// removed when the process ends normally.
class ScratchFolder {
 public:
  ScratchFolder() {
    path_ = std::filesystem::temp_directory_path() / ("pixaldo-fuzz-" + std::to_string(::getpid()));
    std::filesystem::create_directories(path_);
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  const std::filesystem::path& Path() const { return path_; }

  // Writes the bytes to `name` inside the folder (replacing it) and returns its path.
  std::filesystem::path Put(const std::string& name, std::string_view bytes) const {
    std::filesystem::path file = path_ / name;
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    return file;
  }

 private:
  std::filesystem::path path_;
};

inline const ScratchFolder& Scratch() {
  static const ScratchFolder folder;
  return folder;
}

}  // namespace pixaldo::fuzz
