#pragma once
// Where the desktop's shared thumbnail cache keeps the thumbnail of a file:
// $XDG_CACHE_HOME/thumbnails/normal|large/MD5(URI).png, the URI being the
// file's absolute path as a file:// URI, its bytes percent-encoded as GLib
// encodes them (so file managers and other viewers find the same entry).
// Failed attempts are recorded under fail/<program>-<version>/ by the same
// name.
#include <filesystem>
#include <string>
#include <string_view>

namespace pixaldo {

namespace fs = std::filesystem;

// The two sizes of the cache: the longer side of a thumbnail is at most this.
enum class ThumbnailSize : int { Normal = 128, Large = 256 };

struct ThumbnailSizeRow {
  ThumbnailSize size;
  std::string_view folder;
};
inline constexpr ThumbnailSizeRow kThumbnailSizes[] = {
    {ThumbnailSize::Normal, "normal"},
    {ThumbnailSize::Large, "large"},
};

constexpr int LongerSide(ThumbnailSize size) { return static_cast<int>(size); }
std::string_view FolderName(ThumbnailSize size);

// "file://" and the absolute path, every byte outside the characters a path
// keeps unescaped written as %XX (upper-case hex). Bytes that are no UTF-8
// are encoded one by one like any other.
std::string FileUri(const fs::path& absolutePath);

// The MD5 digest of the text, in 32 lower-case hex digits.
std::string Md5Hex(std::string_view text);

// $XDG_CACHE_HOME/thumbnails, or ~/.cache/thumbnails when the variable is
// unset or not absolute.
fs::path DefaultThumbnailRoot();

// The places of one file's entries below a cache root.
class ThumbnailNames {
 public:
  ThumbnailNames(fs::path root, std::string failFolder) : root_(std::move(root)), failFolder_(std::move(failFolder)) {}
  const fs::path& Root() const { return root_; }
  fs::path Folder(ThumbnailSize size) const { return root_ / std::string(FolderName(size)); }
  fs::path FailFolder() const { return root_ / "fail" / failFolder_; }
  fs::path Entry(std::string_view uri, ThumbnailSize size) const { return Folder(size) / EntryName(uri); }
  fs::path FailEntry(std::string_view uri) const { return FailFolder() / EntryName(uri); }
  static std::string EntryName(std::string_view uri) { return Md5Hex(uri) + ".png"; }

 private:
  fs::path root_;
  std::string failFolder_;
};

}  // namespace pixaldo
