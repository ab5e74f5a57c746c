#include "thumbnails/ThumbnailMaker.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "exif/Orientation.h"
#include "jpeg_structure/JpegObject.h"
#include "photo_view/JpegDecoder.h"
#include "photo_view/PictureTurn.h"
#include "photo_view/Resampler.h"
#include "platform/FileSystem.h"

namespace pixaldo {
namespace {

// The one place where a thumbnail's pixels could be converted before they
// are stored (the cache holds sRGB pixels; a photo's own colour profile
// would be applied here).
void ToCachePixels(RgbImage&, std::string_view /*photo bytes*/) {}

// The bytes up to the end of the first EXIF segment (where the EXIF
// thumbnail lies), found by walking the marker segments before the picture;
// empty when there is none.
std::string_view ExifHead(std::string_view bytes) {
  size_t at = 2;
  while (at + 4 <= bytes.size() && uint8_t(bytes[at]) == 0xFF) {
    const uint8_t marker = uint8_t(bytes[at + 1]);
    if (marker == 0xDA || marker == 0xD9) break;  // the picture data, or the end
    const size_t length = (size_t(uint8_t(bytes[at + 2])) << 8) | uint8_t(bytes[at + 3]);
    const size_t end = at + 2 + length;
    if (length < 2 || end > bytes.size()) break;
    if (marker == 0xE1 && bytes.substr(at + 4, 6) == std::string_view("Exif\0\0", 6)) return bytes.substr(0, end);
    at = end;
  }
  return {};
}

RgbImage FittedExifThumbnail(std::string_view bytes, const std::filesystem::path& name, JpegSize stored, int side) {
  const std::string_view head = ExifHead(bytes);
  if (head.empty()) return {};
  try {
    const TJpegObject object{std::string(head), name};
    const std::optional<RgbImage> exif = object.GetThumbnailImage();
    if (!exif || !ExifThumbnailUsable(exif->width, exif->height, stored.width, stored.height, side)) return {};
    const ThumbnailBox box = FitThumbnail(exif->width, exif->height, side);
    return Resampler::Resample(*exif, box.width, box.height, StretchFilter::Lanczos);
  } catch (const std::exception&) {
    return {};  // a damaged EXIF block: the picture itself is decoded
  }
}

}  // namespace

ThumbnailBox FitThumbnail(int width, int height, int side) {
  const int longer = std::max(width, height);
  if (longer <= side) return {std::max(width, 1), std::max(height, 1)};
  const double scale = double(side) / longer;
  return {std::max(1, int(std::lround(width * scale))), std::max(1, int(std::lround(height * scale)))};
}

bool ExifThumbnailUsable(int tw, int th, int width, int height, int side) {
  if (tw <= 0 || th <= 0 || width <= 0 || height <= 0 || std::max(tw, th) < side) return false;
  // The aspect of the picture, scaled to the thumbnail's width, may differ
  // from its height by the rounding of one pixel.
  return std::abs(double(tw) * height / width - th) <= 1.0;
}

MadeThumbnail MakeThumbnail(const std::filesystem::path& photo, ThumbnailSize size) {
  return MakeThumbnail(ReadWholeFile(photo), photo, size);
}

MadeThumbnail MakeThumbnail(std::string_view bytes, const std::filesystem::path& name, ThumbnailSize size) {
  const int side = LongerSide(size);
  const JpegDecoder decoder;  // the pixel limit every decode and transform keeps
  const JpegSize stored = decoder.ReadSize(bytes, name);
  const Orientation turn = ReadOrientation(bytes);
  MadeThumbnail made;
  made.image = FittedExifThumbnail(bytes, name, stored, side);
  made.fromExif = !made.image.Empty();
  if (!made.fromExif) {
    const ThumbnailBox box = FitThumbnail(stored.width, stored.height, side);
    DecodedPicture decoded = decoder.Decode(bytes, box.width, box.height, name);
    if (decoded.image.width == box.width && decoded.image.height == box.height)
      made.image = std::move(decoded.image);
    else
      made.image = Resampler::Resample(decoded.image, box.width, box.height, StretchFilter::Lanczos);
  }
  made.image = Turned(std::move(made.image), turn);
  ToCachePixels(made.image, bytes);
  const JpegSize upright = TurnedSize(stored, turn);
  made.pictureWidth = upright.width;
  made.pictureHeight = upright.height;
  return made;
}

}  // namespace pixaldo
