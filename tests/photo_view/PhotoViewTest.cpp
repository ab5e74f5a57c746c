#include <gtest/gtest.h>

#include "photo_view/PhotoView.h"
#include "platform/FileError.h"
#include "support/TestSupport.h"

namespace pixaldo {
namespace {

using test::JpegSpec;

// A view holding a made-up picture of width × height (the folder keeps the file).
PhotoView LoadMadePicture(const test::TempDir& dir, int width, int height) {
  test::WriteBytes(dir / "p.jpg", test::MakeJpeg(JpegSpec{.width = width, .height = height}));
  PhotoView view;
  view.LoadPicture(dir / "p.jpg");
  return view;
}

TEST(PhotoView, DecodesAgainOnlyWhenAFitNeedsMorePixels) {
  test::TempDir dir;
  PhotoView view = LoadMadePicture(dir, 800, 600);
  EXPECT_EQ(view.DimensionText(), "800\xD7" "600");
  EXPECT_EQ(view.DecodedScaleDenominator(), 0);

  view.FitAndShow(204, 204, true, true);  // 200 × 150
  EXPECT_EQ(view.DecodedScaleDenominator(), 4);
  EXPECT_EQ(view.Display().width, 200);
  EXPECT_EQ(view.Display().height, 150);
  EXPECT_EQ(view.ZoomText(), "25%");

  view.FitAndShow(604, 604, true, true);  // 600 × 450 needs the full picture
  EXPECT_EQ(view.DecodedScaleDenominator(), 1);
  view.FitAndShow(104, 104, true, true);  // smaller again: the pixels at hand serve
  EXPECT_EQ(view.DecodedScaleDenominator(), 1);
  EXPECT_EQ(view.Display().width, 100);
  EXPECT_TRUE(view.Enabled());
  EXPECT_TRUE(view.Visible());

  // A screen drawing two device pixels per logical one gets twice the
  // pixels in the same fit; the zoom counts device pixels.
  view.SetDevicePixelRatio(2);
  view.FitAndShow(204, 204, true, true);
  EXPECT_EQ(view.Fit().width, 200);
  EXPECT_EQ(view.Display().width, 400);
  EXPECT_EQ(view.Display().height, 300);
  EXPECT_EQ(view.DecodedScaleDenominator(), 1);
  EXPECT_EQ(view.ZoomText(), "50%");
}

// The display is resampled band by band while the decoder writes the rows;
// it is the whole decoded picture resampled, with every filter.
TEST(PhotoView, TheDisplayIsTheDecodedPictureResampled) {
  test::TempDir dir;
  test::WriteBytes(dir / "p.jpg", test::MakeJpeg(JpegSpec{.width = 1000, .height = 714}));
  const RgbImage decoded = JpegDecoder().Decode(dir / "p.jpg", 0, 0).image;  // 1/8: 125 × 90
  for (unsigned filter = 0; filter < 5; ++filter) {
    PhotoView view;
    view.SetStretchFilterIndex(filter);
    view.LoadPicture(dir / "p.jpg");
    view.FitAndShow(114, 84, true, false);
    ASSERT_EQ(view.DecodedScaleDenominator(), 8);
    const RgbImage expected = Resampler::Resample(decoded, view.Display().width, view.Display().height, filter);
    EXPECT_EQ(view.Display().pixels, expected.pixels) << "filter " << filter;
  }
}

TEST(PhotoView, EveryFitClearsTheCropFrame) {
  test::TempDir dir;
  PhotoView view = LoadMadePicture(dir, 640, 480);
  view.FitAndShow(1004, 704, true, false);
  EXPECT_FALSE(view.Enabled());
  EXPECT_EQ(view.ZoomText(), "100%");
  view.Crop().MouseDown({37, 50});
  view.Crop().MouseMove({250, 131}, true);
  ASSERT_FALSE(view.Crop().Crop().Empty());
  EXPECT_TRUE(view.FitAndShow(1004, 704, true, true).redraw);
  EXPECT_TRUE(view.Crop().Crop().Empty());
  EXPECT_FALSE(view.Crop().CropActionEnabled());
}

TEST(PhotoView, APictureReplacedOnDiskIsNotMixedUp) {
  test::TempDir dir;
  PhotoView view = LoadMadePicture(dir, 800, 600);
  view.FitAndShow(104, 104, true, true);
  test::WriteBytes(dir / "p.jpg", test::MakeJpeg(JpegSpec{.width = 640, .height = 480}));
  EXPECT_THROW(view.FitAndShow(1004, 704, true, true), FileError);  // needs more pixels: decodes again
}

TEST(PhotoView, AWindowLoadDecodesAtOnceAndKeepsThePictureItRead) {
  test::TempDir dir;
  test::WriteBytes(dir / "p.jpg", test::MakeJpeg(JpegSpec{.width = 800, .height = 600}));
  PhotoView view;
  view.LoadPicture(dir / "p.jpg", 204, 204);  // the largest fit is 200 × 150
  EXPECT_EQ(view.DecodedScaleDenominator(), 4);
  // Replaced on disk, the picture read stays the one shown, even when a
  // larger fit decodes again.
  test::WriteBytes(dir / "p.jpg", test::MakeJpeg(JpegSpec{.width = 640, .height = 480}));
  view.FitAndShow(1004, 704, true, true);
  EXPECT_EQ(view.DecodedScaleDenominator(), 1);
  EXPECT_EQ(view.Display().width, 700);
  EXPECT_EQ(view.DimensionText(), "800\xD7" "600");

  test::WriteBytes(dir / "bad.jpg", "garbage");
  EXPECT_THROW(view.LoadPicture(dir / "bad.jpg", 204, 204), FileError);
  EXPECT_FALSE(view.HasPicture());
}

TEST(PhotoView, NoPictureShowsNothing) {
  PhotoView view;
  view.LoadPicture("");
  view.FitAndShow(1004, 704, true, true);
  EXPECT_EQ(view.ZoomText(), "");
  EXPECT_EQ(view.DimensionText(), "");
  EXPECT_FALSE(view.Visible());
  EXPECT_FALSE(view.Enabled());
}

TEST(PhotoView, AFailedLoadLeavesNoPicture) {
  test::TempDir dir;
  test::WriteBytes(dir / "good.jpg", test::MakeJpeg());
  test::WriteBytes(dir / "bad.jpg", "garbage");
  PhotoView view;
  view.LoadPicture(dir / "good.jpg");
  EXPECT_THROW(view.LoadPicture(dir / "bad.jpg"), FileError);
  EXPECT_FALSE(view.HasPicture());
  EXPECT_EQ(view.DimensionText(), "");
  EXPECT_THROW(view.LoadPicture(dir / "missing.jpg"), FileError);
}

TEST(PhotoView, ComposeDarkensAroundTheFrameAndOutlinesIt) {
  test::TempDir dir;
  PhotoView view = LoadMadePicture(dir, 640, 480);
  view.FitAndShow(1004, 704, true, true);
  EXPECT_EQ(view.ComposeVisible().pixels, view.Display().pixels);  // no frame yet

  view.Crop().MouseDown({37, 50});
  view.Crop().MouseMove({250, 131}, true);  // frame (32, 48, 240, 128)
  const RgbImage visible = view.ComposeVisible();
  auto at = [](const RgbImage& image, int x, int y) { return image.Row(y) + x * 3; };
  for (int c = 0; c < 3; ++c) {
    EXPECT_EQ(at(visible, 100, 100)[c], at(view.Display(), 100, 100)[c]);  // inside: unchanged
    EXPECT_EQ(at(visible, 32, 60)[c], 255);                               // left edge of the frame
    EXPECT_EQ(at(visible, 239, 127)[c], 255);                             // bottom-right corner pixel
    EXPECT_NEAR(at(visible, 10, 10)[c], at(view.Display(), 10, 10)[c] * 159 / 255.0, 1);  // outside: darkened
  }
  EXPECT_EQ(at(visible, 240, 100)[0], (at(view.Display(), 240, 100)[0] * 159 + 127) / 255);  // right is exclusive
}

}  // namespace
}  // namespace pixaldo
