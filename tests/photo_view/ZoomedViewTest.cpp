// The photo view zoomed and panned: what is drawn, and the crop frame on it.
#include <gtest/gtest.h>

#include <cstdlib>

#include "photo_view/PhotoView.h"
#include "support/OrientedJpeg.h"
#include "support/TestSupport.h"

namespace pixaldo {
namespace {

using test::JpegSpec;

Rect Shifted(const Rect& r, int dx, int dy) { return {r.left + dx, r.top + dy, r.right + dx, r.bottom + dy}; }

TEST(ZoomedView, TheCropFrameStaysOnThePictureThroughZoomAndPan) {
  test::TempDir dir;
  test::WriteBytes(dir / "p.jpg", test::MakeJpeg(JpegSpec{.width = 1600, .height = 1200}));
  PhotoView view;
  view.LoadPicture(dir / "p.jpg", 1004, 704);
  view.SetBlockSize(16, 16);
  view.FitAndShow(1004, 704, FitChoice{FitMode::Square}, true);
  CropFrame& crop = view.Crop();
  crop.MouseDown({100, 100});
  crop.MouseMove({300, 250}, true);
  crop.MouseUp({300, 250});
  const Rect frame = crop.Crop();
  ASSERT_FALSE(frame.Empty());

  // Actual pixels: the control is the whole panel, the frame in picture pixels as it was.
  EXPECT_TRUE(view.ActualPixels({502, 352}));
  EXPECT_EQ(view.ZoomText(), "100%");
  EXPECT_EQ(view.Control(), (Rect{0, 0, 1004, 704}));
  EXPECT_EQ(view.Display().width, 1004);
  EXPECT_EQ(crop.Crop(), frame);
  const Rect picture = view.Placement().PictureRect();
  EXPECT_EQ(crop.FrameOnScreen(), Shifted(frame, picture.left, picture.top));
  // The pan moves it on the screen with the picture.
  EXPECT_TRUE(view.PanBy(-50, -40));
  EXPECT_EQ(crop.FrameOnScreen(), Shifted(frame, picture.left - 50, picture.top - 40));
  // The mouse finds it where it is drawn.
  const Rect onScreen = crop.FrameOnScreen();
  crop.MouseMove({(onScreen.left + onScreen.right) / 2, (onScreen.top + onScreen.bottom) / 2}, false);
  EXPECT_EQ(crop.Cursor(), CropCursor::Move);

  // The keys move and resize it by one block, never out of the picture.
  crop.Nudge(CropNudge::Move, 1, 0);
  EXPECT_EQ(crop.Crop(), Shifted(frame, 16, 0));
  crop.Nudge(CropNudge::Resize, 0, 1);
  EXPECT_EQ(crop.Crop().Height(), frame.Height() + 16);
  for (int i = 0; i < 200; ++i) crop.Nudge(CropNudge::Move, -1, -1);
  EXPECT_EQ(crop.Crop().left, 0);
  EXPECT_EQ(crop.Crop().top, 0);
  for (int i = 0; i < 200; ++i) crop.Nudge(CropNudge::Resize, 1, 0);
  EXPECT_EQ(crop.Crop().right, 1600);
  for (int i = 0; i < 200; ++i) crop.Nudge(CropNudge::Resize, -1, 0);
  EXPECT_EQ(crop.Crop().Width(), 16);

  // Back to the fit the frame is still there; a new fit removes it.
  EXPECT_TRUE(view.FitView());
  EXPECT_FALSE(crop.Crop().Empty());
  EXPECT_EQ(view.ZoomText(), "44%");
  view.FitAndShow(1004, 704, FitChoice{FitMode::Window}, true);
  EXPECT_TRUE(crop.Crop().Empty());
}

// The largest difference of two bitmaps of one size, in colour levels.
int LargestDifference(const RgbImage& a, const RgbImage& b) {
  int largest = 0;
  for (size_t i = 0; i < a.pixels.size(); ++i) largest = std::max(largest, std::abs(a.pixels[i] - b.pixels[i]));
  return largest;
}

// Above the memory budget only the part seen is decoded; it shows what a
// whole decode shows, also when the picture is turned upright. The blue
// checkerboard would differ by 200 levels at a shift of one pixel; the
// decoder's smoothing of subsampled colour at the part's edges by a few.
TEST(ZoomedView, APartDecodedAloneShowsWhatTheWholePictureShows) {
  test::TempDir dir;
  const std::string upright = test::MakeJpeg(JpegSpec{.width = 1024, .height = 768});
  for (int orientation : {1, 6, 3}) {
    SCOPED_TRACE(orientation);
    test::WriteBytes(dir / "p.jpg", orientation == 1 ? upright : test::MakeOrientedJpeg(upright, orientation, dir.path()));
    PhotoView whole, part;
    part.SetMemoryBudget(200'000);
    for (PhotoView* view : {&whole, &part}) {
      view->LoadPicture(dir / "p.jpg", 404, 304);
      view->FitAndShow(404, 304, FitChoice{FitMode::Window}, false);
      ASSERT_TRUE(view->ActualPixels({100, 80}));
      view->PanBy(-123, -77);
    }
    EXPECT_EQ(whole.DecodedScaleDenominator(), 1);
    EXPECT_GT(part.DecodedScaleDenominator(), 1);  // the fit's pixels only
    ASSERT_EQ(whole.Display().width, 404);
    ASSERT_EQ(part.Display().height, whole.Display().height);
    EXPECT_LE(LargestDifference(whole.Display(), part.Display()), 8);
    // Zoomed further, with the pixels decoded for the part.
    for (PhotoView* view : {&whole, &part}) view->ZoomTo(3.0, {200, 150});
    EXPECT_LE(LargestDifference(whole.Display(), part.Display()), 8);
  }
}

}  // namespace
}  // namespace pixaldo
