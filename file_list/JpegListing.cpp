#include "file_list/JpegListing.h"

#include <system_error>

namespace pixaldo {

bool IsJpegName(std::string_view name) {
  std::size_t slash = name.find_last_of('/');
  std::string_view last = slash == std::string_view::npos ? name : name.substr(slash + 1);
  std::size_t dot = last.find_last_of('.');
  if (dot == std::string_view::npos) return false;
  std::string extension(last.substr(dot));
  for (char& c : extension)
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  return extension == ".JPG" || extension == ".JPEG";
}

fs::path FullPath(const fs::path& directory, std::string_view name) {
  std::string full = directory.native();
  if (full.empty() || full.back() != '/') full += '/';
  full += name;
  return fs::path(full);
}

std::vector<std::string> ListJpegNames(const fs::path& directory) {
  std::vector<std::string> names;
  std::error_code error;
  fs::directory_iterator entry(directory, error);
  for (; !error && entry != fs::directory_iterator(); entry.increment(error)) {
    std::string name = entry->path().filename().native();
    if (IsJpegName(name)) names.push_back(std::move(name));
  }
  return names;
}

void JpegListing::SetDirectory(fs::path directory) {
  directory_ = std::move(directory);
  Rebuild();
}

void JpegListing::Rebuild() { names_ = ListJpegNames(directory_); }

}  // namespace pixaldo
