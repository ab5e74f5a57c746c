#include "file_list/JpegListing.h"

#include <algorithm>
#include <memory>

#include <dirent.h>

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

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

char FoldCase(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

// Compares the runs of digits starting at a[i] and b[j] by value and moves
// both indexes past them; <0, 0 or >0.
int CompareNumbers(std::string_view a, std::size_t& i, std::string_view b, std::size_t& j) {
  while (i < a.size() && a[i] == '0') ++i;
  while (j < b.size() && b[j] == '0') ++j;
  const std::size_t startA = i, startB = j;
  while (i < a.size() && IsDigit(a[i])) ++i;
  while (j < b.size() && IsDigit(b[j])) ++j;
  const std::string_view digitsA = a.substr(startA, i - startA), digitsB = b.substr(startB, j - startB);
  if (digitsA.size() != digitsB.size()) return digitsA.size() < digitsB.size() ? -1 : 1;
  return digitsA.compare(digitsB);
}

int CompareNatural(std::string_view a, std::string_view b) {
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (IsDigit(a[i]) && IsDigit(b[j])) {
      if (int order = CompareNumbers(a, i, b, j)) return order;
      continue;
    }
    const unsigned char x = FoldCase(a[i]), y = FoldCase(b[j]);
    if (x != y) return x < y ? -1 : 1;
    ++i;
    ++j;
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  return 0;
}

}  // namespace

bool NaturalNameLess(std::string_view a, std::string_view b) {
  const int order = CompareNatural(a, b);
  return order != 0 ? order < 0 : a < b;
}

std::vector<std::string> ListJpegNames(const fs::path& directory) {
  std::vector<std::string> names;
  // The entries' bare names, without building a path for each of them.
  std::unique_ptr<DIR, int (*)(DIR*)> entries(::opendir(directory.c_str()), ::closedir);
  if (!entries) return names;
  while (const dirent* entry = ::readdir(entries.get())) {
    const std::string_view name = entry->d_name;
    if (!name.empty() && name.front() != '.' && IsJpegName(name)) names.emplace_back(name);
  }
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) { return NaturalNameLess(a, b); });
  return names;
}

void JpegListing::SetDirectory(fs::path directory) {
  directory_ = std::move(directory);
  Rebuild();
}

void JpegListing::Rebuild() { names_ = ListJpegNames(directory_); }

}  // namespace pixaldo
