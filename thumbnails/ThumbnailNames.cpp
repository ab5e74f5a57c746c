#include "thumbnails/ThumbnailNames.h"

#include <nettle/md5.h>

#include <array>
#include <cstdlib>

namespace pixaldo {
namespace {

// The bytes a path keeps as they are in a file URI: letters, digits and
// "!$&'()*+,-./:=@_~" (what GLib leaves unescaped in a path).
constexpr std::array<bool, 256> MakeKeptBytes() {
  std::array<bool, 256> kept{};
  for (int c = 'a'; c <= 'z'; ++c) kept[c] = true;
  for (int c = 'A'; c <= 'Z'; ++c) kept[c] = true;
  for (int c = '0'; c <= '9'; ++c) kept[c] = true;
  for (const char c : std::string_view("!$&'()*+,-./:=@_~")) kept[static_cast<unsigned char>(c)] = true;
  return kept;
}
constexpr std::array<bool, 256> kKeptBytes = MakeKeptBytes();
constexpr char kHexUpper[] = "0123456789ABCDEF";
constexpr char kHexLower[] = "0123456789abcdef";

}  // namespace

std::string_view FolderName(ThumbnailSize size) {
  for (const ThumbnailSizeRow& row : kThumbnailSizes)
    if (row.size == size) return row.folder;
  return kThumbnailSizes[0].folder;
}

std::string FileUri(const fs::path& absolutePath) {
  std::string uri = "file://";
  for (const char c : absolutePath.native()) {
    const auto byte = static_cast<unsigned char>(c);
    if (kKeptBytes[byte]) {
      uri += c;
    } else {
      uri += '%';
      uri += kHexUpper[byte >> 4];
      uri += kHexUpper[byte & 15];
    }
  }
  return uri;
}

std::string Md5Hex(std::string_view text) {
  md5_ctx context;
  md5_init(&context);
  md5_update(&context, text.size(), reinterpret_cast<const uint8_t*>(text.data()));
  uint8_t digest[MD5_DIGEST_SIZE];
  md5_digest(&context, sizeof digest, digest);
  std::string hex;
  for (const uint8_t byte : digest) {
    hex += kHexLower[byte >> 4];
    hex += kHexLower[byte & 15];
  }
  return hex;
}

fs::path DefaultThumbnailRoot() {
  const char* cache = std::getenv("XDG_CACHE_HOME");
  if (cache && *cache == '/') return fs::path(cache) / "thumbnails";
  const char* home = std::getenv("HOME");
  return fs::path(home && *home ? home : "/") / ".cache" / "thumbnails";
}

}  // namespace pixaldo
