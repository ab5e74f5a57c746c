#include <gtest/gtest.h>

#include "photo_view/CropFrame.h"

namespace pixaldo {
namespace {

// A picture shown at scale 1, so control pixels are picture pixels.
CropFrame FrameOn(int width, int height, uint8_t blockWidth = 16, uint8_t blockHeight = 16) {
  CropFrame frame;
  frame.SetView({width, height, 1.0, width, height});
  frame.SetBlockSize(blockWidth, blockHeight);
  return frame;
}

// A press at `from` (after the pointer rested there), a drag to `to`, a release.
void Drag(CropFrame& frame, Point from, Point to) {
  frame.MouseMove(from, false);
  frame.MouseDown(from);
  frame.MouseMove(to, true);
  frame.MouseUp(to);
}

TEST(CropFrame, NewFrameSnapsToTheBlockGrid) {
  CropFrame frame = FrameOn(640, 480);
  Drag(frame, {37, 50}, {250, 131});
  EXPECT_EQ(frame.Anchor(), (Point{32, 48}));
  EXPECT_EQ(frame.Crop(), (Rect{32, 48, 240, 128}));
  EXPECT_EQ(frame.CropLabel(), "x:32  y:48   208\xD7" "80");
  EXPECT_EQ(frame.CropGeometry(), "208x80+32+48");
  EXPECT_TRUE(frame.CropActionEnabled());

  CropFrame narrow = FrameOn(640, 480, 8, 16);  // sampling byte 0x12
  Drag(narrow, {37, 50}, {250, 131});
  EXPECT_EQ(narrow.Anchor(), (Point{32, 48}));
  EXPECT_EQ(narrow.Crop(), (Rect{32, 48, 248, 128}));

  // Dragging up and left from the anchor gives the same kind of frame.
  Drag(frame, {250, 131}, {37, 50});
  EXPECT_EQ(frame.Crop(), (Rect{32, 48, 240, 128}));
}

TEST(CropFrame, ClickWithoutDragLeavesNoFrame) {
  CropFrame frame = FrameOn(640, 480);
  Drag(frame, {37, 50}, {250, 131});
  frame.MouseMove({400, 400}, false);  // away from the frame
  frame.MouseDown({400, 400});
  EXPECT_TRUE(frame.Crop().Empty());  // the old frame went at the press
  const CropEvents up = frame.MouseUp({400, 400});
  EXPECT_TRUE(up.redraw);
  EXPECT_EQ(frame.CropLabel(), "");
  EXPECT_FALSE(frame.CropActionEnabled());
  EXPECT_EQ(frame.Anchor(), (Point{0, 0}));
}

TEST(CropFrame, RatioFramesGrowInWholeSteps) {
  CropFrame lying = FrameOn(640, 480);
  lying.SetCropMode(1, 0, 1, 1, 16, 16);  // 3:2
  EXPECT_EQ(lying.RatioWidth(), 3);
  EXPECT_EQ(lying.RatioHeight(), 2);
  Drag(lying, {0, 0}, {500, 500});  // pointer below the picture counts as its bottom edge
  EXPECT_EQ(lying.Crop(), (Rect{0, 0, 480, 320}));

  CropFrame standing = FrameOn(640, 600);
  standing.SetCropMode(1, 1, 1, 1, 16, 16);  // 2:3
  Drag(standing, {0, 0}, {500, 500});
  EXPECT_EQ(standing.Crop(), (Rect{0, 0, 320, 480}));

  // A drag towards the top-left from the anchor, limited by the smaller extent.
  Drag(standing, {400, 400}, {300, 100});
  EXPECT_EQ(standing.Crop(), (Rect{304, 256, 400, 400}));  // 96 × 144
}

TEST(CropFrame, RatioFramesStayInsideSmallPictures) {
  CropFrame frame = FrameOn(400, 300);
  frame.SetCropMode(1, 1, 1, 1, 16, 16);  // 2:3
  Drag(frame, {0, 0}, {500, 500});
  EXPECT_EQ(frame.Crop(), (Rect{0, 0, 192, 288}));
}

TEST(CropFrame, SetCropModeTakesPartsByStyle) {
  CropFrame frame = FrameOn(640, 480);
  struct Case { int index, style, n, m; unsigned mode; int width, height; } cases[] = {
      {0, 0, 0, 0, kRatioFree, 1, 1},       {2, 0, 0, 0, kRatioAspect, 4, 3},
      {2, 1, 0, 0, kRatioAspect, 3, 4},     {3, 0, 4, 5, kRatioAspect, 5, 4},
      {4, 0, 640, 480, kRatioFixedSize, 640, 480}, {4, 1, 640, 480, kRatioFixedSize, 480, 640},
      {3, 0, 0, 0, kRatioAspect, 1, 1},  // parts below 1 would divide by zero
  };
  for (const Case& c : cases) {
    frame.SetCropMode(c.index, c.style, c.n, c.m, c.n, c.m);
    EXPECT_EQ(frame.RatioMode(), c.mode) << c.index;
    EXPECT_EQ(frame.RatioWidth(), c.width) << c.index;
    EXPECT_EQ(frame.RatioHeight(), c.height) << c.index;
    EXPECT_EQ(frame.CropStyle(), c.style);
  }
  // A new mode discards the frame.
  frame.SetCropMode(0, 0, 1, 1, 16, 16);
  Drag(frame, {0, 0}, {100, 100});
  EXPECT_TRUE(frame.SetCropMode(0, 0, 1, 1, 16, 16).redraw);
  EXPECT_TRUE(frame.Crop().Empty());
}

TEST(CropFrame, FixedFrameIsCentredOnThePressAndKept) {
  CropFrame frame = FrameOn(640, 480);
  frame.SetCropMode(4, 0, 1, 1, 48, 48);
  frame.MouseDown({100, 100});  // snapped to (96, 96)
  EXPECT_EQ(frame.Crop(), (Rect{72, 72, 120, 120}));  // off the 16-pixel grid
  EXPECT_EQ(frame.Anchor(), (Point{72, 72}));
  frame.MouseMove({101, 101}, true);  // a jitter must not wipe the frame out
  frame.MouseUp({101, 101});
  EXPECT_EQ(frame.Crop(), (Rect{72, 72, 120, 120}));
  EXPECT_TRUE(frame.CropActionEnabled());

  // Pushed inside at the borders.
  frame.MouseMove({5, 470}, false);
  frame.MouseDown({5, 470});
  EXPECT_EQ(frame.Crop(), (Rect{0, 432, 48, 480}));

  // Only moved, never resized: the right edge of the frame is a move or nothing.
  frame.MouseMove({48, 450}, false);
  EXPECT_NE(frame.DragKind(), kDragRightEdge);
}

TEST(CropFrame, FixedFrameLargerThanThePictureBeeps) {
  CropFrame frame = FrameOn(640, 480);
  frame.SetCropMode(4, 0, 1, 1, 512, 512);
  const CropEvents down = frame.MouseDown({100, 100});
  EXPECT_TRUE(down.beep);
  EXPECT_TRUE(frame.Crop().Empty());
  frame.MouseUp({100, 100});
  EXPECT_FALSE(frame.CropActionEnabled());
}

TEST(CropFrame, HitTestBandsInOrder) {
  CropFrame frame = FrameOn(640, 480);
  Drag(frame, {96, 96}, {304, 208});
  ASSERT_EQ(frame.Crop(), (Rect{96, 96, 304, 208}));
  struct Case { Point p; unsigned kind; CropCursor cursor; } cases[] = {
      {{200, 150}, kDragMove, CropCursor::Move},
      {{304, 150}, kDragRightEdge, CropCursor::ResizeHorizontal},
      {{310, 150}, kDragRightEdge, CropCursor::ResizeHorizontal},
      {{311, 150}, kDragNewFrame, CropCursor::Cross},  // right exclusive
      {{200, 214}, kDragBottomEdge, CropCursor::ResizeVertical},
      {{89, 150}, kDragLeftEdge, CropCursor::ResizeHorizontal},
      {{88, 150}, kDragNewFrame, CropCursor::Cross},  // left inclusive
      {{200, 90}, kDragTopEdge, CropCursor::ResizeVertical},
      {{300, 205}, kDragBottomEdge, CropCursor::ResizeVertical},  // bottom overrides right
      {{100, 100}, kDragTopEdge, CropCursor::ResizeVertical},     // top overrides left
  };
  for (const Case& c : cases) {
    frame.MouseMove(c.p, false);
    EXPECT_EQ(frame.DragKind(), c.kind) << c.p.x << "," << c.p.y;
    EXPECT_EQ(frame.Cursor(), c.cursor) << c.p.x << "," << c.p.y;
  }
}

TEST(CropFrame, EdgeDragsInFreeMode) {
  CropFrame frame = FrameOn(650, 470);
  Drag(frame, {32, 48}, {240, 128});
  Drag(frame, {240, 100}, {301, 100});  // right edge
  EXPECT_EQ(frame.Crop(), (Rect{32, 48, 288, 128}));
  Drag(frame, {100, 48}, {100, 10});  // top edge
  EXPECT_EQ(frame.Crop(), (Rect{32, 16, 288, 128}));
  Drag(frame, {32, 100}, {-50, 100});  // left edge, stops at the picture's edge
  EXPECT_EQ(frame.Crop(), (Rect{0, 16, 288, 128}));
  Drag(frame, {100, 128}, {100, 900});  // bottom edge: the largest whole block inside
  EXPECT_EQ(frame.Crop(), (Rect{0, 16, 288, 464}));
  const CropEvents still = frame.MouseMove({100, 465}, false);
  EXPECT_FALSE(still.redraw);
}

TEST(CropFrame, EdgeDragsKeepTheRatio) {
  CropFrame frame = FrameOn(640, 480);
  frame.SetCropMode(1, 0, 1, 1, 16, 16);  // 3:2, steps of 48 × 32
  Drag(frame, {96, 96}, {390, 400});
  ASSERT_EQ(frame.Crop(), (Rect{96, 96, 384, 288}));
  Drag(frame, {384, 200}, {600, 200});  // right edge moves the bottom too
  EXPECT_EQ(frame.Crop(), (Rect{96, 96, 576, 416}));
  Drag(frame, {300, 416}, {300, 479});  // bottom: 576 → 672 wide would leave the picture
  EXPECT_EQ(frame.Crop(), (Rect{96, 96, 576, 416}));
  Drag(frame, {300, 96}, {300, 60});  // top edge moves the left edge, bottom-right stays
  EXPECT_EQ(frame.Crop(), (Rect{48, 64, 576, 416}));
  Drag(frame, {48, 200}, {0, 200});  // left edge moves the top edge
  EXPECT_EQ(frame.Crop(), (Rect{0, 32, 576, 416}));
}

TEST(CropFrame, MovesStopAtThePictureEdges) {
  CropFrame frame = FrameOn(650, 480);
  Drag(frame, {32, 48}, {240, 128});
  Drag(frame, {100, 80}, {116, 96});
  EXPECT_EQ(frame.Crop(), (Rect{48, 64, 256, 144}));
  Drag(frame, {100, 80}, {-100, 80});
  EXPECT_EQ(frame.Crop(), (Rect{0, 64, 208, 144}));  // at the left edge
  Drag(frame, {100, 80}, {640, 80});
  EXPECT_EQ(frame.Crop(), (Rect{432, 64, 640, 144}));  // whole blocks: 650 - 208 = 442 → 432
  EXPECT_EQ(frame.CropGeometry(), "208x80+432+64");
}

TEST(CropFrame, MaximalFrameOnOneClick) {
  CropFrame frame = FrameOn(1000, 750);
  frame.SetMaxCropFrame(true);
  frame.MouseMove({500, 300}, false);
  frame.MouseDown({500, 300});
  frame.MouseMove({520, 310}, true);  // dragging changes nothing
  frame.MouseUp({520, 310});
  EXPECT_EQ(frame.Crop(), (Rect{0, 0, 992, 736}));

  frame.SetCropMode(1, 0, 1, 1, 16, 16);  // 3:2 from the top-left corner
  frame.MouseDown({500, 300});
  EXPECT_EQ(frame.Crop(), (Rect{0, 0, 960, 640}));
}

TEST(CropFrame, OutlineAndFrameInControlPixels) {
  CropFrame frame;
  frame.SetView({500, 375, 0.5, 1000, 750});
  frame.SetBlockSize(16, 16);
  frame.MouseDown({16, 24});         // picture (32, 48)
  frame.MouseMove({120, 64}, true);  // picture (240, 128)
  EXPECT_EQ(frame.Crop(), (Rect{32, 48, 240, 128}));
  EXPECT_EQ(frame.FrameOnScreen(), (Rect{16, 24, 120, 64}));
  ASSERT_EQ(frame.Outline().size(), 2u);
  EXPECT_EQ(frame.Outline()[0][2], (Point{120, 64}));
  EXPECT_EQ(frame.Outline()[1][0], (Point{0, -1}));
  EXPECT_EQ(frame.Outline()[1][2], (Point{500, 376}));
  frame.ClearCrop();
  EXPECT_TRUE(frame.Outline().empty());
}

TEST(CropFrame, UnknownBlockSizeAndNoPictureAreHarmless) {
  CropFrame frame = FrameOn(640, 480, 0, 0);
  Drag(frame, {37, 50}, {250, 131});
  EXPECT_EQ(frame.Crop(), (Rect{32, 48, 240, 128}));
  CropFrame empty;
  Drag(empty, {10, 10}, {50, 50});
  EXPECT_TRUE(empty.Crop().Empty());
}

}  // namespace
}  // namespace pixaldo
