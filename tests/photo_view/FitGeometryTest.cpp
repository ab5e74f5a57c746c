#include <gtest/gtest.h>

#include "photo_view/FitGeometry.h"

namespace pixaldo {
namespace {

struct FitCase {
  int pictureWidth, pictureHeight;
  bool square;
  FitResult expected;
  const char* zoom;
};

// Panel 1004 × 704: the available area is 1000 × 700.
TEST(FitGeometry, FitsPicturesIntoPanel) {
  const FitCase cases[] = {
      {3000, 2000, true, {152, 119, 700, 466, 466.0 / 2000}, "23%"},   // square box 700 × 700
      {2000, 3000, false, {269, 2, 466, 699, 699.0 / 3000}, "23%"},    // standing, full box height
      {1600, 1200, false, {2, -23, 1000, 750, 750.0 / 1200}, "62%"},   // landscape overhangs
      {1600, 1202, false, {2, -23, 1000, 751, 751.0 / 1202}, "62%"},   // Trunc(-51 / 2) is -25
      {640, 480, true, {182, 112, 640, 480, 1.0}, "100%"},             // never enlarged
      {3000, 3000, true, {152, 2, 700, 700, 700.0 / 3000}, "23%"},
  };
  for (const FitCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.pictureWidth) + "x" + std::to_string(c.pictureHeight));
    const FitResult fit = FitGeometry::FitToParent(1004, 704, c.pictureWidth, c.pictureHeight, c.square);
    EXPECT_EQ(fit.left, c.expected.left);
    EXPECT_EQ(fit.top, c.expected.top);
    EXPECT_EQ(fit.width, c.expected.width);
    EXPECT_EQ(fit.height, c.expected.height);
    EXPECT_DOUBLE_EQ(fit.scale, c.expected.scale);
    EXPECT_EQ(FitGeometry::ZoomText(fit.scale), c.zoom);
  }
}

TEST(FitGeometry, DegeneratePanelsAndPicturesShowNothing) {
  for (auto [pw, ph, w, h] : {std::array{3, 3, 100, 100}, std::array{0, 0, 10, 10}, std::array{800, 600, 0, 50}}) {
    const FitResult fit = FitGeometry::FitToParent(pw, ph, w, h, false);
    EXPECT_EQ(fit.width, 0);
    EXPECT_EQ(fit.height, 0);
    EXPECT_EQ(fit.scale, 0.0);
  }
  // No overflow for the largest frame a JPEG can declare.
  const FitResult fit = FitGeometry::FitToParent(100000, 100000, 65535, 65535, true);
  EXPECT_EQ(fit.width, 65535);
}

TEST(FitGeometry, ZoomTextRoundsHalvesToEven) {
  EXPECT_EQ(FitGeometry::ZoomText(0.125), "12%");
  EXPECT_EQ(FitGeometry::ZoomText(0.375), "38%");
  EXPECT_EQ(FitGeometry::ZoomText(0.625), "62%");
  EXPECT_EQ(FitGeometry::ZoomText(0.126), "13%");
  EXPECT_EQ(FitGeometry::ZoomText(1.0), "100%");
}

TEST(FitGeometry, ScreenToImageClampsAndRoundsHalfToEven) {
  // Control 100 × 80 at scale 2: each control pixel is half a picture pixel.
  auto convert = [](int x, int y) { return FitGeometry::ScreenToImage({x, y}, 100, 80, 2.0); };
  EXPECT_EQ(convert(1, 3), (Point{0, 2}));   // 0.5 → 0, 1.5 → 2
  EXPECT_EQ(convert(5, 7), (Point{2, 4}));   // 2.5 → 2, 3.5 → 4
  EXPECT_EQ(convert(-9, -1), (Point{0, 0}));
  EXPECT_EQ(convert(98, 78), (Point{49, 39}));
  EXPECT_EQ(convert(99, 79), (Point{50, 40}));  // the last pixel counts as the far edge
  EXPECT_EQ(convert(500, 500), (Point{50, 40}));
  EXPECT_EQ(FitGeometry::ScreenToImage({10, 10}, 100, 80, 0.5), (Point{20, 20}));
}

TEST(FitGeometry, ImageToScreenScalesNonEmptyRectangles) {
  EXPECT_EQ(FitGeometry::ImageToScreen({1, 3, 5, 7}, 0.5), (Rect{0, 2, 2, 4}));
  EXPECT_EQ(FitGeometry::ImageToScreen({32, 48, 240, 128}, 1.0), (Rect{32, 48, 240, 128}));
  const Rect empty{50, 10, 20, 90};
  EXPECT_EQ(FitGeometry::ImageToScreen(empty, 0.5), empty);
}

}  // namespace
}  // namespace pixaldo
