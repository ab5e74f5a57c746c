#pragma once
// Makes the thumbnail of a photo: the picture decoded at the smallest DCT
// scale that still covers the thumbnail (never in full), resampled to fit a
// square of the cache size's side (never enlarged), and turned upright by
// its EXIF orientation. The EXIF thumbnail stands in for the decode only
// when it is at least as large as the size asked for and has the picture's
// aspect (a thumbnail with bars, or of another crop, is not the picture).
#include <filesystem>
#include <string_view>

#include "photo_view/RgbImage.h"
#include "thumbnails/ThumbnailNames.h"

namespace pixaldo {

struct MadeThumbnail {
  RgbImage image;  // upright
  int pictureWidth = 0;   // the picture's size, upright
  int pictureHeight = 0;
  bool fromExif = false;
};

// The size of a width × height picture fitted into a square of `side`
// pixels, never larger than the picture, at least 1 × 1.
struct ThumbnailBox {
  int width = 0;
  int height = 0;
};
ThumbnailBox FitThumbnail(int width, int height, int side);

// Whether a stored thumbnail of tw × th may stand for a picture of
// width × height at `side`: its longer side reaches `side` and its aspect is
// the picture's within a pixel of rounding.
bool ExifThumbnailUsable(int tw, int th, int width, int height, int side);

// Throws FileError naming the file when it cannot be read or decoded, or its
// frame is larger than the decoder's pixel limit.
MadeThumbnail MakeThumbnail(const std::filesystem::path& photo, ThumbnailSize size);
MadeThumbnail MakeThumbnail(std::string_view bytes, const std::filesystem::path& nameForErrors, ThumbnailSize size);

}  // namespace pixaldo
