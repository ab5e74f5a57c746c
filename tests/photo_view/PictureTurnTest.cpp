// The view turning the picture it holds after jpegtran turned the file,
// instead of decoding the rewritten file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "photo_view/PhotoView.h"
#include "platform/FileSystem.h"
#include "support/OrientedJpeg.h"
#include "support/TestSupport.h"
#include "transforms/JpegTran.h"

namespace pixaldo {
namespace {

// The commands that only turn the picture.
constexpr TransformKind kTurns[] = {TransformKind::RotateRight, TransformKind::RotateLeft,
                                    TransformKind::FlipHorizontal, TransformKind::FlipVertical,
                                    TransformKind::AutoRotate};

int LargestDifference(const RgbImage& a, const RgbImage& b) {
  int largest = 0;
  for (size_t i = 0; i < a.pixels.size(); ++i) largest = std::max(largest, std::abs(a.pixels[i] - b.pixels[i]));
  return largest;
}

class PictureTurnTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!runner_.JpegTranAvailable()) GTEST_SKIP() << "jpegtran is not installed";
  }
  // The view's picture of `file`, fitted into a square panel.
  static void Show(PhotoView& view, const fs::path& file, bool autoOrient, int panel, double ratio) {
    view.SetAutoOrient(autoOrient);
    view.SetDevicePixelRatio(ratio);
    view.LoadPicture(file, int(panel * ratio), int(panel * ratio));
    view.FitAndShow(panel, panel, false, true);
  }
  // The command run on `file` in place as the viewer plans it; the plan.
  JpegTranPlan TurnInPlace(const fs::path& file, TransformKind kind, bool asShown) {
    const JpegTranPlan plan = TJpegTran::Plan(kind, ReadFileOrientation(file), asShown, false);
    if (!plan.unchanged) runner_.Transform(file, file, false, false, plan);
    return plan;
  }

  TJpegTran runner_{FindJpegTran()};
  test::TempDir dir_;
};

// For photos stored upright and sideways, shown upright or as stored, at
// full size and at a DCT-reduced size on a plain and a doubled screen
// (panels whose fit is the decoded size, so no stretching hides a
// difference), the turned pixels are what a decode of the rewritten file
// gives, up to the rounding of colour upsampling.
TEST_F(PictureTurnTest, TurnedPictureIsWhatADecodeOfTheNewFileShows) {
  const std::string upright = test::MakeJpeg({.width = 320, .height = 240});
  const fs::path photo = dir_ / "photo.jpg";
  struct Screen {
    int panel;
    double ratio;
  };
  for (const int orientation : {1, 6})
    for (const bool autoOrient : {true, false})
      for (const Screen screen : {Screen{400, 1}, Screen{80, 2}})
        for (const TransformKind kind : kTurns) {
          SCOPED_TRACE(testing::Message() << "orientation " << orientation << ", auto " << autoOrient << ", panel "
                                          << screen.panel << ", kind " << int(kind));
          test::WriteBytes(photo, test::MakeOrientedJpeg(upright, orientation, dir_.path()));
          const JpegTranPlan plan = TJpegTran::Plan(kind, ReadFileOrientation(photo), autoOrient, false);
          if (plan.unchanged) continue;
          ASSERT_TRUE(plan.shownTurn);
          // One view turns its pixels after jpegtran, one has them turned
          // while jpegtran runs.
          PhotoView view, early;
          Show(view, photo, autoOrient, screen.panel, screen.ratio);
          Show(early, photo, autoOrient, screen.panel, screen.ratio);
          std::optional<PreparedPicture> ahead = early.TurnAhead(*plan.shownTurn);
          ASSERT_TRUE(ahead);
          MakeTurned(*ahead, screen.panel, screen.panel, FitChoice{FitMode::Width}, 0, screen.ratio);
          runner_.Transform(photo, photo, false, false, plan);
          ASSERT_TRUE(view.Turn(*plan.shownTurn, ReadWholeFile(photo)));
          ASSERT_TRUE(early.Turn(*plan.shownTurn, ReadWholeFile(photo), &*ahead));
          view.FitAndShow(screen.panel, screen.panel, false, true);
          early.FitAndShow(screen.panel, screen.panel, false, true);
          EXPECT_EQ(early.Display().pixels, view.Display().pixels);

          PhotoView fresh;
          Show(fresh, photo, autoOrient, screen.panel, screen.ratio);
          EXPECT_EQ(view.DimensionText(), fresh.DimensionText());
          EXPECT_EQ(view.PictureOrientation(), fresh.PictureOrientation());
          ASSERT_EQ(view.Display().width, fresh.Display().width);
          ASSERT_EQ(view.Display().height, fresh.Display().height);
          EXPECT_LE(LargestDifference(view.Display(), fresh.Display()), 4);
        }
}

// A turn after which the fit needs more pixels than those held shows them
// stretched at once, marked to be replaced, instead of decoding again.
TEST_F(PictureTurnTest, ATurnNeedingMorePixelsIsShownAtOnceAndMarkedForRefinement) {
  const fs::path photo = dir_ / "photo.jpg";
  test::WriteBytes(photo, test::MakeJpeg({.width = 320, .height = 160}));
  PhotoView view;
  view.LoadPicture(photo, 160, 320);  // a fit of about 160 × 80: decoded at 1/2
  view.FitAndShow(160, 320, false, true);
  ASSERT_EQ(view.DecodedScaleDenominator(), 2);
  TurnInPlace(photo, TransformKind::RotateRight, true);
  ASSERT_TRUE(view.Turn(Orientation::Rotate90, ReadWholeFile(photo)));
  view.FitAndShow(160, 320, false, true);  // a fit of about 160 × 320 wants all pixels
  EXPECT_TRUE(view.Quick());
  EXPECT_EQ(view.DecodedScaleDenominator(), 2);
  EXPECT_EQ(view.Display().width, view.Fit().width);
  EXPECT_EQ(view.Display().height, view.Fit().height);
  EXPECT_GT(view.Fit().height, 160);
  view.FitAndShow(160, 320, false, true);  // stays so until replaced
  EXPECT_EQ(view.DecodedScaleDenominator(), 2);
}

// jpegtran leaves a partial block at a mirrored edge where it was; such
// turns, and bytes of another size, leave the view as it was for a fresh load.
TEST_F(PictureTurnTest, TurnsThatWouldDifferFromTheFileAreRefused) {
  const fs::path photo = dir_ / "photo.jpg";
  // Width in whole 16-pixel blocks, height not.
  const std::string stored = test::MakeJpeg({.width = 96, .height = 60});
  for (const TransformKind kind : kTurns) {
    if (kind == TransformKind::AutoRotate) continue;
    test::WriteBytes(photo, stored);
    PhotoView view;
    Show(view, photo, true, 400, 1);
    const JpegTranPlan plan = TurnInPlace(photo, kind, true);
    const bool exact = kind == TransformKind::RotateLeft || kind == TransformKind::FlipHorizontal;
    EXPECT_EQ(view.Turn(*plan.shownTurn, ReadWholeFile(photo)), exact) << int(kind);
    if (!exact) {
      EXPECT_EQ(view.DimensionText(), "96\xD7" "60");
    }
  }
  test::WriteBytes(photo, stored);
  PhotoView view;
  view.LoadPicture(photo, 400, 400);
  EXPECT_FALSE(view.Turn(Orientation::Rotate270, test::MakeJpeg({.width = 48, .height = 96})));
  EXPECT_FALSE(view.Turn(Orientation::Rotate270, "no picture"));
  EXPECT_EQ(view.DimensionText(), "96\xD7" "60");
}

}  // namespace
}  // namespace pixaldo
