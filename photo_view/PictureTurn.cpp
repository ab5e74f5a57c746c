#include "photo_view/PictureTurn.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <utility>

namespace pixaldo {
namespace {

// Where pixel (x, y) of the source lands in the target, in bytes from the
// target's start: origin + x × stepX + y × stepY.
struct Mapping {
  ptrdiff_t origin;
  ptrdiff_t stepX;
  ptrdiff_t stepY;
};

ptrdiff_t Offset(TurnPoint point, ptrdiff_t stride) { return point.y * stride + ptrdiff_t(point.x) * 3; }

Mapping MappingOf(Orientation turn, const RgbImage& source, const RgbImage& target) {
  const auto stride = static_cast<ptrdiff_t>(target.Stride());
  // The turn is linear, so the neighbours of the first pixel give the steps
  // even for a picture one pixel wide or high.
  const ptrdiff_t origin = Offset(TurnPixel(turn, {0, 0}, source.width, source.height), stride);
  return {origin, Offset(TurnPixel(turn, {1, 0}, source.width, source.height), stride) - origin,
          Offset(TurnPixel(turn, {0, 1}, source.width, source.height), stride) - origin};
}

// Whether the turn runs the stored axis the other way: the step along it
// goes backwards.
bool Mirrors(Orientation turn, TurnPoint step) {
  const TurnPoint origin = TurnPixel(turn, {0, 0}, 2, 2);
  const TurnPoint next = TurnPixel(turn, step, 2, 2);
  return next.x - origin.x + next.y - origin.y < 0;
}

}  // namespace

JpegSize TurnedSize(JpegSize size, Orientation turn) {
  if (SwapsSides(turn)) std::swap(size.width, size.height), std::swap(size.blockWidth, size.blockHeight);
  return size;
}

bool TurnIsExact(JpegSize size, Orientation turn) {
  const bool widthWhole = size.blockWidth > 0 && size.width % size.blockWidth == 0;
  const bool heightWhole = size.blockHeight > 0 && size.height % size.blockHeight == 0;
  return (widthWhole || !Mirrors(turn, {1, 0})) && (heightWhole || !Mirrors(turn, {0, 1}));
}

Rect TurnedRect(const Rect& rect, int width, int height, Orientation turn) {
  if (rect.Empty()) return {};
  const TurnPoint a = TurnPixel(turn, {rect.left, rect.top}, width, height);
  const TurnPoint b = TurnPixel(turn, {rect.right - 1, rect.bottom - 1}, width, height);
  return {std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x) + 1, std::max(a.y, b.y) + 1};
}

RgbImage Turned(RgbImage image, Orientation turn) {
  if (turn == Orientation::Upright || image.Empty()) return image;
  RgbImage result;
  result.width = SwapsSides(turn) ? image.height : image.width;
  result.height = SwapsSides(turn) ? image.width : image.height;
  result.pixels.resize(result.Stride() * size_t(result.height));
  const Mapping map = MappingOf(turn, image, result);
  uint8_t* const base = result.pixels.data();
  if (map.stepX == 3) {  // rows stay whole: only their order changes
    for (int y = 0; y < image.height; ++y) std::memcpy(base + map.origin + y * map.stepY, image.Row(y), image.Stride());
    return result;
  }
  // A band of rows at a time, column by column: the scattered writes of a
  // quarter turn then stay within the cache.
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
