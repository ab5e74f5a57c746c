// segments, delete-exif/-comment/-iptc, import-exif and restore-thumbnail
// through pixaldo-cli.
#include <gtest/gtest.h>

#include "support/Corpus.h"
#include "support/JpegSegments.h"
#include "support/TestSupport.h"

namespace pixaldo {
namespace {

namespace fs = std::filesystem;

using test::RunCli;
using test::TempDir;

// The size of the first APP1 segment of a made photo, marker included.
std::string App1Size(const std::string& jpeg) { return std::to_string(test::FirstPayload(jpeg, 0xE1)->size() + 4); }

TEST(SegmentCommands, SegmentsPrintsTheTable) {
  TempDir dir;
  auto file = dir.Make("exif-intel.jpg");
  auto result = RunCli({"segments", file.string()});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out.substr(0, result.out.find('\n', result.out.find('\n') + 1) + 1),
            "1\tStart of image (SOI)\tFFD8\t0\t2\n2\tEXIF data (APP1)\tFFE1\t2\t" +
                App1Size(test::ReadBytes(file)) + "\n");
  EXPECT_NE(result.out.find("\tCompressed image data\t\t"), std::string::npos);
  EXPECT_EQ(RunCli({"segments", "/no/such/file.jpg"}).exitCode, 1);
  EXPECT_EQ(RunCli({"segments"}).exitCode, 2);
}

TEST(SegmentCommands, EditsChangeTheFileAndKeepItsDate) {
  TempDir dir;
  // SOI, JFIF, EXIF, comment, picture.
  const std::string jfif = test::MakeJpeg();
  auto file = dir / "photo.jpg";
  const std::string exif = test::Segment(0xE1, *test::FirstPayload(test::CorpusBytes("exif-intel.jpg"), 0xE1));
  test::WriteBytes(file, jfif.substr(0, 20) + exif + test::Segment(0xFE, "a comment") + jfif.substr(20));
  auto before = fs::last_write_time(file) - std::chrono::hours(5);
  fs::last_write_time(file, before);
  for (const char* command : {"delete-comment", "delete-iptc", "delete-exif"})
    EXPECT_EQ(RunCli({command, file.string(), "--keep-date"}).exitCode, 0) << command;
  EXPECT_EQ(fs::last_write_time(file), before);
  // JFIF kept; APP1 and COM gone; no APP13 to delete.
  EXPECT_EQ(test::ReadBytes(file), jfif);

  // The imported EXIF takes the JFIF header's place.
  auto source = dir.Make("exif-motorola.jpg", "source.jpg");
  EXPECT_EQ(RunCli({"import-exif", source.string(), file.string()}).exitCode, 0);
  auto segments = RunCli({"segments", file.string()}).out;
  EXPECT_NE(segments.find("2\tEXIF data (APP1)\tFFE1\t2\t" + App1Size(test::ReadBytes(source)) + "\n"),
            std::string::npos)
      << segments;
  EXPECT_EQ(RunCli({"delete-exif", file.string(), "--bogus"}).exitCode, 2);
}

TEST(SegmentCommands, RestoreThumbnailReportsAReadOnlyFile) {
  TempDir dir;
  auto file = dir.Make("exif-intel.jpg");
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
