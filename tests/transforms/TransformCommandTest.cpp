// The transform commands of pixaldo-cli, end to end with the real jpegtran.
#include <gtest/gtest.h>

#include "support/Corpus.h"
#include "support/OrientedJpeg.h"
#include "support/TestSupport.h"

namespace pixaldo {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::RunCli;
using test::TempDir;
using Words = std::vector<std::string>;

class TransformCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!test::HaveProgram("jpegtran")) GTEST_SKIP() << "jpegtran is not installed";
  }
  std::string Expected(const fs::path& file, Words switches) {
    Words argv{"jpegtran"};
    argv.insert(argv.end(), switches.begin(), switches.end());
    argv.push_back(file.string());
    return test::Run(argv).out;
  }
  TempDir dir_;
};

TEST_F(TransformCommand, InPlaceAndOutputFlowsPrintTheTransformedFile) {
  fs::path file = dir_ / "made.jpg";
  test::WriteBytes(file, test::MakeJpeg({.width = 64, .height = 48}));
  std::string original = ReadBytes(file);
  std::string flipped = Expected(file, {"-copy", "all", "-flip", "vertical"});

  fs::path out = dir_ / "out.jpg";
  test::CommandResult copy = RunCli({"flip-vertical", file.string(), "--output", out.string()});
  EXPECT_EQ(copy.exitCode, 0) << copy.err;
  EXPECT_EQ(copy.out, out.string() + "\n");
  EXPECT_EQ(ReadBytes(out), flipped);
  EXPECT_EQ(ReadBytes(file), original);

  test::CommandResult inPlace = RunCli({"rotate-left", file.string(), "--trim", "--no-thumbnail"});
  EXPECT_EQ(inPlace.exitCode, 0) << inPlace.err;
  EXPECT_EQ(inPlace.out, file.string() + "\n");
  test::WriteBytes(dir_ / "ref.jpg", original);
  EXPECT_EQ(ReadBytes(file), Expected(dir_ / "ref.jpg", {"-copy", "all", "-rotate", "270", "-trim"}));
}

TEST_F(TransformCommand, CropStripAndKeepDate) {
  fs::path file = dir_ / "photo.jpg";
  test::WriteBytes(file, test::CameraPhoto(640, 480));
  auto oldDate = fs::last_write_time(file) - std::chrono::hours(1000);
  fs::last_write_time(file, oldDate);
  fs::path out = dir_ / "photo_crop.jpg";
  test::CommandResult crop = RunCli({"crop", file.string(), "320x240+16+32", "--output", out.string(), "--keep-date"});
  EXPECT_EQ(crop.exitCode, 0) << crop.err;
  EXPECT_EQ(test::PictureData(ReadBytes(out)),
            test::PictureData(Expected(file, {"-copy", "all", "-crop", "320x240+16+32"})));
  EXPECT_EQ(fs::last_write_time(out), oldDate);

  fs::path bare = dir_ / "photo_nometa.jpg";
  test::CommandResult strip = RunCli({"strip-metadata", file.string(), "--output", bare.string()});
  EXPECT_EQ(strip.exitCode, 0) << strip.err;
  EXPECT_EQ(ReadBytes(bare), Expected(file, {"-copy", "none"}));
  EXPECT_EQ(fs::last_write_time(file), oldDate);
}

TEST_F(TransformCommand, FailuresAndUsageErrors) {
  fs::path file = dir_.Make("exif-intel.jpg", "photo.jpg");
  std::string original = ReadBytes(file);
  test::CommandResult outside = RunCli({"crop", file.string(), "16x16+4000+4000"});
  EXPECT_EQ(outside.exitCode, 1);
  EXPECT_NE(outside.err.find(file.string() + ": the crop 16x16+4000+4000 lies outside the picture"), std::string::npos)
      << outside.err;
  EXPECT_EQ(std::count(outside.err.begin(), outside.err.end(), '\n'), 1);
  EXPECT_EQ(ReadBytes(file), original);

  for (const Words& usage : {Words{"crop", file.string(), "16x16"}, Words{"crop", file.string()},
                             Words{"strip-metadata", file.string()}, Words{"rotate-left"},
                             Words{"rotate-left", file.string(), "--bogus"},
                             Words{"flip-horizontal", file.string(), "extra", "--output", "out.jpg"},
                             Words{"strip-metadata", file.string(), "--output", ""}}) {
    EXPECT_EQ(RunCli(usage).exitCode, 2) << usage[0] << " " << usage.size();
  }
  EXPECT_EQ(ReadBytes(file), original);
  EXPECT_EQ(dir_.List(), Words{"photo.jpg"});
  EXPECT_EQ(RunCli({"rotate-right", (dir_ / "missing.jpg").string()}).exitCode, 1);
}

TEST_F(TransformCommand, OrientationOptionsAndAutoRotate) {
  const std::string upright = test::MakeJpeg({.width = 64, .height = 48});
  fs::path six = dir_ / "six.jpg";
  test::WriteBytes(six, test::MakeOrientedJpeg(upright, 6, dir_.path()));
  test::WriteBytes(dir_ / "stored.jpg", ReadBytes(six));
  // The upright size unless told to show the stored pixels.
  EXPECT_EQ(RunCli({"render", six.string(), "--panel", "1000x1000", "--no-square"}).out,
            "control 64\xC3\x97" "48 left 468 top 476 zoom 100%\n");
  EXPECT_EQ(RunCli({"render", six.string(), "--panel", "1000x1000", "--no-square", "--no-auto-orient"}).out,
            "control 48\xC3\x97" "64 left 476 top 468 zoom 100%\n");

  // The crop takes upright coordinates, or stored ones without auto-orientation.
  fs::path out = dir_ / "out.jpg";
  EXPECT_EQ(RunCli({"crop", six.string(), "64x16+0+0", "--output", out.string(), "--no-thumbnail"}).exitCode, 0);
  EXPECT_EQ(test::PictureData(ReadBytes(out)),
            test::PictureData(Expected(six, {"-copy", "all", "-rotate", "90", "-crop", "64x16+0+0"})));
  // Checked against the size the coordinates belong to.
  test::CommandResult outside = RunCli({"crop", six.string(), "16x16+48+0", "--output", out.string(), "--no-auto-orient"});
  EXPECT_EQ(outside.exitCode, 1);
  EXPECT_EQ(outside.err, "pixaldo-cli: " + six.string() + ": the crop 16x16+48+0 lies outside the picture (48\xC3\x97" "64)\n");
  EXPECT_EQ(RunCli({"crop", six.string(), "64x48+0+16", "--output", out.string()}).exitCode, 1);

  // Rotate by EXIF: in place, then a second time nothing is left to do.
  test::CommandResult turned = RunCli({"auto-rotate", six.string(), "--keep-date"});
  EXPECT_EQ(turned.exitCode, 0) << turned.err;
  EXPECT_EQ(turned.out, six.string() + "\n");
  EXPECT_EQ(test::PictureData(ReadBytes(six)),
            test::PictureData(Expected(dir_ / "stored.jpg", {"-copy", "all", "-rotate", "90"})));
  const std::string once = ReadBytes(six);
  test::CommandResult again = RunCli({"auto-rotate", six.string(), "--output", out.string()});
  EXPECT_EQ(again.exitCode, 0);
  EXPECT_EQ(again.out, out.string() + "\n");
  EXPECT_EQ(again.err, six.string() + ": already upright\n");
  EXPECT_EQ(ReadBytes(six), once);
  EXPECT_EQ(ReadBytes(out), once);
  EXPECT_EQ(RunCli({"auto-rotate", six.string(), out.string(), "--output", out.string()}).exitCode, 2);
  EXPECT_EQ(RunCli({"auto-rotate", six.string(), (dir_ / "missing.jpg").string()}).exitCode, 1);
}

}  // namespace
}  // namespace pixaldo
