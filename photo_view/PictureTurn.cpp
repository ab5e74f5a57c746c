#include "photo_view/PictureTurn.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <utility>

namespace pixaldo {
namespace {

bool Quarter(PictureTurn turn) { return turn == PictureTurn::RotateRight || turn == PictureTurn::RotateLeft; }

// Where pixel (x, y) of the source lands in the target, in bytes from the
// target's start: origin + x × stepX + y × stepY.
struct Mapping {
  ptrdiff_t origin;
  ptrdiff_t stepX;
  ptrdiff_t stepY;
};

Mapping MappingOf(PictureTurn turn, const RgbImage& source, const RgbImage& target) {
  const auto stride = static_cast<ptrdiff_t>(target.Stride());
  const ptrdiff_t lastX = source.width - 1, lastY = source.height - 1;
  switch (turn) {
    case PictureTurn::RotateRight:  // (x, y) -> (lastY - y, x)
      return {lastY * 3, stride, -3};
    case PictureTurn::RotateLeft:  // (x, y) -> (y, lastX - x)
      return {lastX * stride, -stride, 3};
    case PictureTurn::FlipHorizontal:  // (x, y) -> (lastX - x, y)
      return {lastX * 3, -3, stride};
    case PictureTurn::FlipVertical:  // (x, y) -> (x, lastY - y)
    default:
      return {lastY * stride, 3, -stride};
  }
}

}  // namespace

JpegSize TurnedSize(JpegSize size, PictureTurn turn) {
  if (Quarter(turn)) std::swap(size.width, size.height), std::swap(size.blockWidth, size.blockHeight);
  return size;
}

bool TurnIsExact(JpegSize size, PictureTurn turn) {
  const bool widthWhole = size.blockWidth > 0 && size.width % size.blockWidth == 0;
  const bool heightWhole = size.blockHeight > 0 && size.height % size.blockHeight == 0;
  switch (turn) {
    case PictureTurn::RotateLeft:
    case PictureTurn::FlipHorizontal:
      return widthWhole;
    case PictureTurn::RotateRight:
    case PictureTurn::FlipVertical:
    default:
      return heightWhole;
  }
}

RgbImage Turned(const RgbImage& image, PictureTurn turn) {
  RgbImage result;
  result.width = Quarter(turn) ? image.height : image.width;
  result.height = Quarter(turn) ? image.width : image.height;
  result.pixels.resize(image.pixels.size());
  if (turn == PictureTurn::FlipVertical) {
    for (int y = 0; y < image.height; ++y) std::memcpy(result.Row(image.height - 1 - y), image.Row(y), image.Stride());
    return result;
  }
  if (image.Empty()) return result;
  // A band of rows at a time, column by column: the scattered writes of a
  // quarter turn then stay within the cache.
  const Mapping map = MappingOf(turn, image, result);
  uint8_t* const base = result.pixels.data();
  constexpr int kBand = 16;
  for (int top = 0; top < image.height; top += kBand) {
    const int bottom = std::min(image.height, top + kBand);
    for (int x = 0; x < image.width; ++x) {
      uint8_t* target = base + map.origin + x * map.stepX + top * map.stepY;
      for (int y = top; y < bottom; ++y, target += map.stepY) {
        const uint8_t* from = image.Row(y) + static_cast<size_t>(x) * 3;
        target[0] = from[0], target[1] = from[1], target[2] = from[2];
      }
    }
  }
  return result;
}

}  // namespace pixaldo
