#include <gtest/gtest.h>

#include <cmath>

#include "photo_view/ZoomGeometry.h"

namespace pixaldo {
namespace {

TEST(ZoomSteps, GoByTheSquareRootOfTwoWithinTheLimits) {
  const double root = std::sqrt(2.0);
  struct Case {
    double from, in, out;
  };
  const Case cases[] = {
      {1.0, root, 1 / root},           // a step goes to its neighbours
      {0.23, 0.25, 0.25 / root},       // between steps: the next ones
      {16.0, 16.0, 8 * root},          // the upper limit holds
      {1.0 / 32, root / 32, 1.0 / 32}, // the lower too
      {100.0, 16.0, 8 * root},         // far outside counts as the limit
      {0.001, root / 32, 1.0 / 32},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.from);
    EXPECT_NEAR(ZoomSteps::In(c.from), c.in, 1e-9);
    EXPECT_NEAR(ZoomSteps::Out(c.from), c.out, 1e-9);
  }
  EXPECT_EQ(ZoomSteps::Clamp(NAN), 1.0);
}

TEST(FitModes, PlaceThePictureAsEachModeSays) {
  struct Case {
    int width, height;
    FitChoice choice;
    Rect expected;  // in a panel of 1004 × 704 (available 1000 × 700)
  };
  const Case cases[] = {
      {1600, 1200, {FitMode::Square}, {152, 89, 852, 614}},
      {1600, 1200, {FitMode::Window}, {35, 2, 968, 702}},   // as tall as the panel
      {1600, 1200, {FitMode::Width}, {2, -23, 1002, 727}},  // overhangs
      {3000, 1000, {FitMode::Window}, {2, 185, 1002, 518}}, // as wide as the panel
      {2000, 3000, {FitMode::Window}, {269, 2, 735, 702}},
      {640, 480, {FitMode::Window}, {182, 112, 822, 592}},  // not enlarged
      {640, 480, {FitMode::Window, true}, {35, 2, 968, 702}},
      {640, 480, {FitMode::Square, true}, {182, 112, 822, 592}},  // only the window fit enlarges
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + " mode " +
                 std::to_string(int(c.choice.mode)));
    const FitResult fit = FitInPanel(1004, 704, c.width, c.height, c.choice);
    EXPECT_EQ((Rect{fit.left, fit.top, fit.left + fit.width, fit.top + fit.height}), c.expected);
    EXPECT_DOUBLE_EQ(fit.scale, double(fit.height) / c.height);
  }
  EXPECT_EQ(FitInPanel(3, 3, 100, 100, {FitMode::Window}).width, 0);
  EXPECT_EQ(NextFitMode(FitMode::Square), FitMode::Window);
  EXPECT_EQ(NextFitMode(FitMode::Window), FitMode::Width);
  EXPECT_EQ(NextFitMode(FitMode::Width), FitMode::Square);
  EXPECT_EQ(FitModeFromIndex(7), FitMode::Square);
}

Viewport MakeViewport(int panelWidth, int panelHeight, int pictureWidth, int pictureHeight, double ratio = 1) {
  Viewport view;
  view.SetPanel(panelWidth, panelHeight, ratio);
  view.SetPicture(pictureWidth, pictureHeight);
  view.Fit({FitMode::Window});
  return view;
}

// The picture point under a panel point.
PointF PictureAt(const Viewport& view, PointF at, int pictureWidth) {
  const Rect r = view.PictureRect();
  const double f = double(pictureWidth) / r.Width();
  return {(at.x - r.left) * f, (at.y - r.top) * f};
}

TEST(Viewport, ZoomKeepsThePointUnderTheCursor) {
  Viewport view = MakeViewport(1000, 700, 4000, 3000);
  EXPECT_TRUE(view.Fitted());
  const PointF at{300, 200};
  const PointF before = PictureAt(view, at, 4000);
  view.ZoomTo(1.0, at);
  EXPECT_FALSE(view.Fitted());
  EXPECT_EQ(view.PictureRect().Width(), 4000);
  const PointF after = PictureAt(view, at, 4000);
  EXPECT_NEAR(after.x, before.x, 1.0);
  EXPECT_NEAR(after.y, before.y, 1.0);
  // Near a corner the pan limits win: the picture's corner stays in the panel's.
  view.Fit({FitMode::Window});
  view.ZoomTo(1.0, {0, 0});
  EXPECT_EQ(view.PictureRect().left, 0);
  EXPECT_EQ(view.PictureRect().top, 0);
  view.ZoomTo(64.0, at);
  EXPECT_EQ(view.Zoom(), ZoomSteps::kMaximum);
}

TEST(Viewport, PanningNeverLeavesAGapThePictureCouldFill) {
  Viewport view = MakeViewport(1000, 700, 4000, 500);  // too low to pan down
  EXPECT_FALSE(view.PanBy(10, 10));                     // fits: nothing to pan
  view.ZoomTo(1.0);
  EXPECT_TRUE(view.CanPanX());
  EXPECT_FALSE(view.CanPanY());
  EXPECT_EQ(view.PictureRect().top, 100);  // centred down, whatever the pan
  EXPECT_TRUE(view.PanBy(100000, 50));
  EXPECT_EQ(view.PictureRect(), (Rect{0, 100, 4000, 600}));
  EXPECT_FALSE(view.PanBy(1, 0));
  view.PanBy(-100000, 0);
  EXPECT_EQ(view.PictureRect().right, 1000);
  EXPECT_EQ(view.VisibleRect(), (Rect{0, 100, 1000, 600}));
  const Viewport::Region seen = view.VisiblePicture();
  EXPECT_DOUBLE_EQ(seen.left, 3000);
  EXPECT_DOUBLE_EQ(seen.right, 4000);
  // The fit to width lets the overhang of a landscape picture be panned.
  view.SetPicture(1600, 1200);
  view.Fit({FitMode::Width});
  EXPECT_TRUE(view.CanPanY());
  EXPECT_TRUE(view.PanBy(0, 1000));
  EXPECT_EQ(view.PictureRect().top, 0);
}

TEST(Viewport, ZoomCountsDevicePixelsOnAScaledScreen) {
  Viewport view = MakeViewport(1000, 700, 4000, 3000, 2.0);
  EXPECT_DOUBLE_EQ(view.Zoom(), 2 * view.Scale());
  view.ZoomTo(1.0);
  EXPECT_DOUBLE_EQ(view.Scale(), 0.5);
  EXPECT_EQ(view.PictureRect().Width(), 2000);  // logical pixels: half the picture's
  // A new panel keeps zoom and middle; a fitted view is fitted again.
  const PointF middle = PictureAt(view, {500, 350}, 4000);
  view.Relayout(800, 600, 2.0);
  const PointF still = PictureAt(view, {400, 300}, 4000);
  EXPECT_NEAR(still.x, middle.x, 2.0);
  EXPECT_NEAR(still.y, middle.y, 2.0);
  EXPECT_DOUBLE_EQ(view.Zoom(), 1.0);
  view.Fit({FitMode::Square});
  view.Relayout(1004, 704, 1.0);
  EXPECT_TRUE(view.Fitted());
  EXPECT_EQ(view.PictureRect().Width(), 700);
}

}  // namespace
}  // namespace pixaldo
