#pragma once
// Thumbnails as PNG files through libpng: an RGB picture with text chunks
// (the cache's keys), written to bytes and read back from bytes. Reading
// never trusts the file: libpng's own checks, a limit on the size of the
// picture and of every chunk, and any failure gives nothing instead of
// throwing.
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "photo_view/RgbImage.h"

namespace pixaldo {

struct PngText {
  std::string key;
  std::string value;
};

struct PngThumbnail {
  int width = 0;
  int height = 0;
  std::vector<PngText> texts;
  RgbImage image;  // empty when only the header and the texts were read

  // The value of the text chunk with this key; nothing when there is none.
  std::optional<std::string> Text(std::string_view key) const;
};

// The picture and the texts as PNG bytes (8-bit RGB, fast compression).
// Throws std::runtime_error when libpng fails.
std::string EncodePng(const RgbImage& image, const std::vector<PngText>& texts);

// Reads the header and the texts before the picture data, and with
// `withPixels` the picture as 8-bit RGB (any other PNG type converted, an
// alpha channel dropped) and the texts after it. Nothing when the bytes are
// no PNG libpng can read, or either side is longer than `maxSide`.
std::optional<PngThumbnail> DecodePng(std::string_view bytes, int maxSide, bool withPixels);

}  // namespace pixaldo
