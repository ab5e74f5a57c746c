// Photos stored sideways with an EXIF orientation: shown upright, turned and
// cropped as shown, and turned upright for good by Rotate by EXIF. Eight
// files per test, one for each orientation, all holding the same upright
// picture U.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "exif/Orientation.h"
#include "jpeg_structure/JpegObject.h"
#include "photo_view/JpegDecoder.h"
#include "photo_view/PhotoView.h"
#include "support/OrientedJpeg.h"
#include "support/TestSupport.h"
#include "transforms/JpegTran.h"

namespace pixaldo {
namespace {

using test::ReadBytes;
using test::WriteBytes;
using Words = std::vector<std::string>;

RgbImage Decode(const std::string& jpeg) {
  return JpegDecoder().Decode(jpeg, 100000, 100000, "picture").image;
}

// Mean absolute difference per channel value; infinite when the sizes differ.
double MeanDifference(const RgbImage& a, const RgbImage& b) {
  if (a.width != b.width || a.height != b.height) return INFINITY;
  double sum = 0;
  for (size_t i = 0; i < a.pixels.size(); ++i) sum += std::abs(int(a.pixels[i]) - int(b.pixels[i]));
  return sum / double(a.pixels.size());
}

bool SamePixels(const RgbImage& a, const RgbImage& b) {
  return a.width == b.width && a.height == b.height && a.pixels == b.pixels;
}

class OrientedPhotos : public ::testing::Test {
 protected:
  static constexpr int kWidth = 64;
  static constexpr int kHeight = 48;

  void SetUp() override {
    if (!runner_.JpegTranAvailable()) GTEST_SKIP() << "jpegtran is not installed";
    upright_ = test::MakeJpeg({.width = kWidth, .height = kHeight});
    for (int n = 1; n <= 8; ++n) {
      files_[n] = dir_ / ("o" + std::to_string(n) + ".jpg");
      WriteBytes(files_[n], test::MakeOrientedJpeg(upright_, n, dir_.path()));
    }
  }

  // One transform of orientation file N into a new file.
  fs::path Transform(int n, TransformKind kind, bool asShown, std::string_view geometry = {}) {
    const fs::path out = dir_ / ("o" + std::to_string(n) + "-" + std::to_string(int(kind)) + ".jpg");
    runner_.Transform(files_[n], out, false, true,
                      TJpegTran::Plan(kind, ReadFileOrientation(files_[n]), asShown, false, geometry));
    return out;
  }

  // U as jpegtran turns it.
  RgbImage UprightThrough(const Words& switches) {
    Words all{"-copy", "none"};
    all.insert(all.end(), switches.begin(), switches.end());
    return Decode(test::JpegTranOf(upright_, all, dir_.path()));
  }

  // The picture a viewer that honours the orientation shows for a file.
  static RgbImage Shown(const fs::path& file, JpegSize* size = nullptr) {
    PhotoView view;
    view.LoadPicture(file);
    view.FitAndShow(1000, 1000, false, false);
    if (size) *size = view.PictureSize();
    return view.Display();
  }

  TJpegTran runner_;
  test::TempDir dir_;
  std::string upright_;
  std::array<fs::path, 9> files_;
};

TEST_F(OrientedPhotos, EachOrientationIsShownUprightAtTheUprightSize) {
  const RgbImage expected = Decode(upright_);
  for (int n = 1; n <= 8; ++n) {
    JpegSize size;
    EXPECT_LT(MeanDifference(Shown(files_[n], &size), expected), 1.5) << "orientation " << n;
    EXPECT_EQ(size.width, kWidth) << n;
    EXPECT_EQ(size.height, kHeight) << n;
  }
  // Without auto-orientation the stored pixels are shown.
  PhotoView view;
  view.SetAutoOrient(false);
  view.LoadPicture(files_[6]);
  view.FitAndShow(1000, 1000, false, false);
  EXPECT_EQ(view.PictureSize().width, kHeight);
  EXPECT_EQ(view.DimensionText(), "48\xD7" "64");
  EXPECT_TRUE(SamePixels(view.Display(), Decode(ReadBytes(files_[6]))));
}

TEST_F(OrientedPhotos, RotateByExifStoresTheUprightPictureWithOrientationOne) {
  const RgbImage expected = Decode(upright_);
  Words files;
  for (int n = 1; n <= 8; ++n) {
    const std::string before = ReadBytes(files_[n]);
    const fs::path out = Transform(n, TransformKind::AutoRotate, true);
    files.push_back(out.string());
    EXPECT_TRUE(SamePixels(Decode(ReadBytes(out)), expected)) << "orientation " << n;
    if (n == 1) {
      EXPECT_EQ(ReadBytes(out), before);  // already upright: copied as it is
    }
    TJpegObject object(out, false);
    const std::optional<RgbImage> thumbnail = object.GetThumbnailImage();
    ASSERT_TRUE(thumbnail) << n;
    EXPECT_GT(thumbnail->width, thumbnail->height) << n;
  }
  // Orientation 1 in both directories, the EXIF size that of U: as another
  // program reads them.
  Words argv{"exiftool", "-n", "-T", "-IFD0:Orientation", "-IFD1:Orientation", "-ExifImageWidth",
             "-ExifImageHeight"};
  argv.insert(argv.end(), files.begin(), files.end());
  const test::CommandResult read = test::Run(argv);
  if (read.exitCode == 127) GTEST_SKIP() << "exiftool is not installed";
  std::string expectedLines;
  for (int n = 1; n <= 8; ++n) expectedLines += "1\t1\t64\t48\n";
  EXPECT_EQ(read.out, expectedLines);
}

TEST_F(OrientedPhotos, RotationsFlipsAndTheCropActOnThePictureAsShown) {
  const RgbImage rotated = UprightThrough({"-rotate", "90"});
  const RgbImage flipped = UprightThrough({"-flip", "horizontal"});
  const RgbImage cropped = UprightThrough({"-crop", "32x16+16+16"});
  for (int n = 1; n <= 8; ++n) {
    const fs::path turned = Transform(n, TransformKind::RotateRight, true);
    EXPECT_TRUE(SamePixels(Decode(ReadBytes(turned)), rotated)) << "orientation " << n;
    EXPECT_EQ(ReadOrientation(ReadBytes(turned)), Orientation::Upright) << n;
    EXPECT_TRUE(SamePixels(Decode(ReadBytes(Transform(n, TransformKind::FlipHorizontal, true))), flipped)) << n;
    EXPECT_TRUE(SamePixels(Decode(ReadBytes(Transform(n, TransformKind::Crop, true, "32x16+16+16"))), cropped)) << n;
  }
}

TEST_F(OrientedPhotos, WithoutAutoOrientationTheTagFollowsThePixels) {
  // The stored pixels turn; a viewer honouring the tag shows the picture it
  // showed before, turned by the command.
  const RgbImage rotated = UprightThrough({"-rotate", "90"});
  const RgbImage flipped = UprightThrough({"-flip", "horizontal"});
  for (int n = 1; n <= 8; ++n) {
    const std::string stored = ReadBytes(files_[n]);
    const fs::path turned = Transform(n, TransformKind::RotateRight, false);
    EXPECT_TRUE(SamePixels(Decode(ReadBytes(turned)), Decode(test::JpegTranOf(stored, {"-rotate", "90"}, dir_.path()))))
        << "orientation " << n;
    EXPECT_LT(MeanDifference(Shown(turned), rotated), 1.5) << n;
    EXPECT_LT(MeanDifference(Shown(Transform(n, TransformKind::FlipHorizontal, false)), flipped), 1.5) << n;
  }
}

}  // namespace
}  // namespace pixaldo
