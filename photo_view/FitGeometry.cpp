#include "photo_view/FitGeometry.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace pixaldo {

int FitGeometry::RoundHalfEven(double value) {
  if (!std::isfinite(value)) return 0;
  const double limit = static_cast<double>(std::numeric_limits<int>::max());
  const double nearest = value - std::remainder(value, 1.0);  // ties go to the even neighbour
  return static_cast<int>(std::clamp(nearest, -limit, limit));
}

FitResult FitGeometry::FitToParent(int parentWidth, int parentHeight, int pictureWidth, int pictureHeight,
                                   bool squareBox) {
  FitResult fit;
  if (pictureWidth <= 0 || pictureHeight <= 0) return fit;
  const int64_t availableWidth = static_cast<int64_t>(parentWidth) - 4;
  const int64_t availableHeight = static_cast<int64_t>(parentHeight) - 4;
  int64_t boxWidth = availableWidth;
  int64_t boxHeight = availableHeight;
  if (squareBox) boxWidth = boxHeight = std::min(availableWidth, availableHeight);
  // A panel smaller than its margins leaves no room: nothing is shown.
  boxWidth = std::max<int64_t>(boxWidth, 0);
  boxHeight = std::max<int64_t>(boxHeight, 0);

  const int64_t w = pictureWidth;
  const int64_t h = pictureHeight;
  int64_t width = w;
  if (h > boxHeight || w > boxWidth) width = h < w ? boxWidth : w * boxHeight / h;
  const int64_t height = h * width / w;

  fit.width = static_cast<int>(width);
  fit.height = static_cast<int>(height);
  fit.top = static_cast<int>((availableHeight - height) / 2 + 2);  // integer division truncates like Trunc
  fit.left = static_cast<int>((availableWidth - width) / 2 + 2);
  fit.scale = static_cast<double>(height) / static_cast<double>(h);
  return fit;
}

std::string FitGeometry::ZoomText(double scale) { return std::to_string(RoundHalfEven(scale * 100.0)) + "%"; }

Point FitGeometry::ScreenToImage(Point screen, int controlWidth, int controlHeight, double scale) {
  auto convert = [scale](int v, int extent) {
    if (v < 0) v = 0;
    if (v >= extent - 1) v = extent;
    return scale > 0.0 ? RoundHalfEven(v / scale) : 0;
  };
  return {convert(screen.x, controlWidth), convert(screen.y, controlHeight)};
}

Rect FitGeometry::ImageToScreen(const Rect& image, double scale) {
  if (image.Empty()) return image;
  return {RoundHalfEven(image.left * scale), RoundHalfEven(image.top * scale), RoundHalfEven(image.right * scale),
          RoundHalfEven(image.bottom * scale)};
}

}  // namespace pixaldo
