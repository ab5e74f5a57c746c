// The view turning the picture it holds after jpegtran turned the file,
// instead of decoding the rewritten file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "photo_view/PhotoView.h"
#include "platform/FileSystem.h"
#include "support/TestSupport.h"
#include "transforms/JpegTran.h"

namespace pixaldo {
namespace {

struct TurnCase {
  PictureTurn turn;
  TransformKind kind;
};
constexpr TurnCase kTurns[] = {
    {PictureTurn::RotateRight, TransformKind::RotateRight},
    {PictureTurn::RotateLeft, TransformKind::RotateLeft},
    {PictureTurn::FlipHorizontal, TransformKind::FlipHorizontal},
    {PictureTurn::FlipVertical, TransformKind::FlipVertical},
};

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
  // jpegtran's turn of `source` into a new file; its bytes.
  std::string JpegTranTurn(const fs::path& source, TransformKind kind) {
    const fs::path target = dir_ / "turned.jpg";
    runner_.RunJpegTran(source, target, TJpegTran::TransformArguments(kind, false));
    return ReadWholeFile(target);
  }

  TJpegTran runner_{FindJpegTran()};
  test::TempDir dir_;
};

// At full size and at a DCT-reduced size (panels whose fit is the decoded
// size, so no stretching hides a difference) the turned pixels are what a
// decode of jpegtran's output gives, up to the rounding of colour upsampling.
TEST_F(PictureTurnTest, TurnedPictureIsWhatADecodeOfTheNewFileShows) {
  const fs::path photo = dir_ / "photo.jpg";
  test::WriteBytes(photo, test::MakeJpeg({.width = 320, .height = 240}));
  for (const int panel : {400, 160})
    for (const TurnCase& c : kTurns) {
      SCOPED_TRACE(testing::Message() << "panel " << panel << ", turn " << int(c.turn));
      PhotoView view;
      view.LoadPicture(photo, panel, panel);
      view.FitAndShow(panel, panel, false, true);
      const std::string turned = JpegTranTurn(photo, c.kind);
      ASSERT_TRUE(view.Turn(c.turn, turned));
      view.FitAndShow(panel, panel, false, true);

      PhotoView fresh;
      fresh.LoadPicture(dir_ / "turned.jpg", panel, panel);
      fresh.FitAndShow(panel, panel, false, true);
      EXPECT_EQ(view.DimensionText(), fresh.DimensionText());
      ASSERT_EQ(view.Display().width, fresh.Display().width);
      ASSERT_EQ(view.Display().height, fresh.Display().height);
      EXPECT_LE(LargestDifference(view.Display(), fresh.Display()), 4);
    }
}

// jpegtran leaves a partial block at a moved edge where it was; such turns,
// and bytes of another size, leave the view as it was for a fresh load.
TEST_F(PictureTurnTest, TurnsThatWouldDifferFromTheFileAreRefused) {
  const fs::path photo = dir_ / "photo.jpg";
  // Width in whole 16-pixel blocks, height not.
  test::WriteBytes(photo, test::MakeJpeg({.width = 96, .height = 60}));
  for (const TurnCase& c : kTurns) {
    PhotoView view;
    view.LoadPicture(photo, 400, 400);
    view.FitAndShow(400, 400, false, true);
    const bool exact = c.turn == PictureTurn::RotateLeft || c.turn == PictureTurn::FlipHorizontal;
    EXPECT_EQ(view.Turn(c.turn, JpegTranTurn(photo, c.kind)), exact) << int(c.turn);
    if (!exact) EXPECT_EQ(view.DimensionText(), "96\xD7" "60");
  }
  PhotoView view;
  view.LoadPicture(photo, 400, 400);
  EXPECT_FALSE(view.Turn(PictureTurn::RotateLeft, test::MakeJpeg({.width = 48, .height = 96})));
  EXPECT_FALSE(view.Turn(PictureTurn::RotateLeft, "no picture"));
  EXPECT_EQ(view.DimensionText(), "96\xD7" "60");
}

}  // namespace
}  // namespace pixaldo
