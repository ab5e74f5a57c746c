#pragma once
// Which entries of a directory the file list shows, and in which order.
// The list control and the command-line tool share these rules: an entry is
// listed when its name has the extension ".jpg" or ".jpeg" in any letter
// case (subdirectories so named included) and does not start with a dot,
// in natural name order: letters without regard to case, runs of digits by
// their value (IMG_2 before IMG_10), as desktop file managers sort.
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace pixaldo {

namespace fs = std::filesystem;

// True when the extension of the last path component (from its last dot on),
// in upper case, is exactly ".JPG" or ".JPEG".
bool IsJpegName(std::string_view name);

// The directory as given, a separator unless it already ends with one, and
// the bare name.
fs::path FullPath(const fs::path& directory, std::string_view name);

// True when `a` comes before `b` in natural name order. Names equal but for
// letter case or leading zeros are ordered by their bytes, so the order is
// total and the same on every run.
bool NaturalNameLess(std::string_view a, std::string_view b);

// The bare names of every entry of the directory that passes IsJpegName and
// is not hidden (a name starting with "."), in natural name order.
// Subdirectories count like files. An unreadable or missing directory gives
// an empty list. Names are the file system's bytes, whatever their encoding.
std::vector<std::string> ListJpegNames(const fs::path& directory);

// The listed names of one directory: what the file list holds between two
// rebuilds, and what the database export walks.
class JpegListing {
 public:
  JpegListing() = default;
  explicit JpegListing(fs::path directory) : directory_(std::move(directory)) { Rebuild(); }
  // The names a list control already holds for the directory, kept as given
  // (so an export walks exactly what the user sees).
  JpegListing(fs::path directory, std::vector<std::string> names)
      : directory_(std::move(directory)), names_(std::move(names)) {}

  // The directory as it was given (with or without a trailing separator).
  const fs::path& Directory() const { return directory_; }
  // Sets the directory and lists it again.
  void SetDirectory(fs::path directory);
  // Lists the directory again from scratch.
  void Rebuild();

  std::size_t FileCount() const { return names_.size(); }
  // The bare name at a 0-based index (index < FileCount()).
  const std::string& FileNameAt(std::size_t index) const { return names_.at(index); }
  const std::vector<std::string>& Names() const { return names_; }
  fs::path FullPath(std::string_view name) const { return pixaldo::FullPath(directory_, name); }

 private:
  fs::path directory_;
  std::vector<std::string> names_;
};

}  // namespace pixaldo
