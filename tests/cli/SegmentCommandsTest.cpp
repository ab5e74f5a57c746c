// segments, delete-exif/-comment/-iptc, import-exif and restore-thumbnail
// through pixaldo-cli.
#include <gtest/gtest.h>

#include "support/TestSupport.h"

namespace pixaldo {
namespace {

namespace fs = std::filesystem;

using test::RunCli;
using test::TempDir;

TEST(SegmentCommands, SegmentsPrintsTheTable) {
  PIXALDO_NEEDS_SAMPLES();
  auto result = RunCli({"segments", test::TestData("cameras/DSCN0010.jpg").string()});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out.substr(0, result.out.find('\n', result.out.find('\n') + 1) + 1),
            "1\tStart of image (SOI)\tFFD8\t0\t2\n2\tEXIF data (APP1)\tFFE1\t2\t11260\n");
  EXPECT_NE(result.out.find("\tCompressed image data\t\t"), std::string::npos);
  EXPECT_EQ(RunCli({"segments", "/no/such/file.jpg"}).exitCode, 1);
  EXPECT_EQ(RunCli({"segments"}).exitCode, 2);
}

TEST(SegmentCommands, EditsChangeTheFileAndKeepItsDate) {
  PIXALDO_NEEDS_SAMPLES();
  TempDir dir;
  auto file = dir.Copy("cameras/Nikon_D70.jpg");
  auto before = fs::last_write_time(file) - std::chrono::hours(5);
  fs::last_write_time(file, before);
  const std::string original = test::ReadBytes(file);
  for (const char* command : {"delete-comment", "delete-iptc", "delete-exif"})
    EXPECT_EQ(RunCli({command, file.string(), "--keep-date"}).exitCode, 0) << command;
  EXPECT_EQ(fs::last_write_time(file), before);
  // JFIF kept; first APP1 (20, 2276) and the COM (2296, 25) gone; no APP13 to delete.
  EXPECT_EQ(test::ReadBytes(file), original.substr(0, 20) + original.substr(2321));

  EXPECT_EQ(RunCli({"import-exif", test::TestData("cameras/Canon_40D.jpg").string(), file.string()}).exitCode, 0);
  auto segments = RunCli({"segments", file.string()}).out;
  // The file has no EXIF block left, so the imported one takes the JFIF
  // header's place; the XMP packet stays.
  EXPECT_NE(segments.find("2\tEXIF data (APP1)\tFFE1\t2\t2478\n3\tXMP data (APP1)\tFFE1\t2480\t5241\n"),
            std::string::npos)
      << segments;
  EXPECT_EQ(RunCli({"delete-exif", file.string(), "--bogus"}).exitCode, 2);
}

TEST(SegmentCommands, RestoreThumbnailReportsAReadOnlyFile) {
  PIXALDO_NEEDS_SAMPLES();
  TempDir dir;
  auto file = dir.Copy("photos/canon_hdr_NO.jpg");
  const std::string original = test::ReadBytes(file);
  fs::permissions(file, fs::perms::owner_write, fs::perm_options::remove);
  auto refused = RunCli({"restore-thumbnail", file.string()});
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_NE(refused.err.find(file.string()), std::string::npos);
  EXPECT_EQ(test::ReadBytes(file), original);
  fs::permissions(file, fs::perms::owner_write, fs::perm_options::add);
  EXPECT_EQ(RunCli({"restore-thumbnail", file.string()}).exitCode, 0);
  EXPECT_NE(test::ReadBytes(file), original);
  EXPECT_EQ(test::PictureData(test::ReadBytes(file)), test::PictureData(original));
}

}  // namespace
}  // namespace pixaldo
