#pragma once
// Where and how large the photo view shows a picture inside its panel, and
// the conversion between control pixels and picture pixels.
#include <string>

namespace pixaldo {

struct Point {
  int x = 0;
  int y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

// Left, top, right, bottom; right and bottom exclusive.
struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  bool Empty() const { return left >= right || top >= bottom; }
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool Contains(Point p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
  friend bool operator==(const Rect&, const Rect&) = default;
};

// The control's place in its panel and the scale of the picture in it.
struct FitResult {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  double scale = 0.0;  // control height ∕ picture height
};

class FitGeometry {
 public:
  // Fits a picture into a panel (the parent); in square mode the box is the
  // largest square of the available area. Never enlarges the picture.
  static FitResult FitToParent(int parentWidth, int parentHeight, int pictureWidth, int pictureHeight,
                               bool squareBox);

  // Round(scale × 100) with halves to even, followed by "%".
  static std::string ZoomText(double scale);

  // Control pixels to picture pixels.
  static Point ScreenToImage(Point screen, int controlWidth, int controlHeight, double scale);
  // A rectangle in picture pixels to control pixels; empty rectangles unchanged.
  static Rect ImageToScreen(const Rect& image, double scale);

  // Rounds to the nearest integer, halves to even.
  static int RoundHalfEven(double value);
};

}  // namespace pixaldo
