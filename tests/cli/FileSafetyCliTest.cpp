// pixaldo-cli on what a real file system holds besides plain photos: links,
// pipes, devices and folders named like photos, runaway inputs, two writers
// at once, and files whose segment layout a write must tidy.
#include <gtest/gtest.h>

#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <thread>

#include "exif/ExifData.h"
#include "jpeg_structure/JpegObject.h"
#include "photo_view/JpegDecoder.h"
#include "support/ExifThumbnailBlock.h"
#include "support/TestSupport.h"

namespace pixaldo {
namespace {

namespace fs = std::filesystem;
using test::RunCli;
using test::TempDir;

// The value of one row of `summary`.
std::string SummaryValue(const fs::path& file, const std::string& key) {
  const test::CommandResult result = RunCli({"summary", file.string()});
  const size_t at = result.out.find(key + "\t");
  if (at == std::string::npos) return {};
  const size_t start = at + key.size() + 1;
  return result.out.substr(start, result.out.find('\n', start) - start);
}

int CountMarkers(const fs::path& file, uint16_t marker) {
  TJpegObject object(file, false);
  int count = 0;
  for (const TJpegSegment& segment : object.Segments) count += segment.Marker == marker;
  return count;
}

std::string JfifPayload() { return std::string("JFIF\0\x01\x02\x01\x00\x48\x00\x48\x00\x00", 14); }

TEST(FileSafetyCli, AWriteThroughALinkChangesThePhotoAndKeepsTheLink) {
  TempDir dir;
  test::WriteBytes(dir / "photo.jpg", test::MakeJpeg());
  fs::create_symlink("photo.jpg", dir / "link.jpg");
  const test::CommandResult result = RunCli({"set-iptc", (dir / "link.jpg").string(), "--title", "Harbour"});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_TRUE(fs::is_symlink(dir / "link.jpg"));
  EXPECT_EQ(SummaryValue(dir / "photo.jpg", "ObjectName"), "Harbour");
}

// Every command answers at once, with the reason, for a pipe, a device
// behind a link and a folder named like a photo.
TEST(FileSafetyCli, ReadersAnswerPipesDevicesAndFoldersAtOnce) {
  TempDir dir;
  ASSERT_EQ(::mkfifo((dir / "x.jpg").c_str(), 0600), 0);
  fs::create_symlink("/dev/zero", dir / "z.jpg");
  fs::create_directory(dir / "d.jpg");
  const std::pair<const char*, const char*> files[] = {
      {"x.jpg", "not a regular file"}, {"z.jpg", "not a regular file"}, {"d.jpg", "is a folder"}};
  const std::vector<std::vector<std::string>> commands = {
      {"summary"},     {"segments"},        {"render", "--panel", "10x10"}, {"tags"},
      {"xml"},         {"rotate-left"},     {"rotate-right"},               {"flip-horizontal"},
      {"flip-vertical"}, {"auto-rotate"},   {"crop", "8x8+0+0"},            {"restore-thumbnail"},
      {"delete-exif"}, {"strip-metadata", "--output", (dir / "out.jpg").string()}};
  for (const auto& [name, reason] : files) {
    for (const auto& command : commands) {
      std::vector<std::string> args{command.front(), (dir / name).string()};
      args.insert(args.end(), command.begin() + 1, command.end());
      const test::CommandResult result = RunCli(args);
      EXPECT_EQ(result.exitCode, 1) << command.front() << " " << name;
      EXPECT_NE(result.err.find((dir / name).string() + ": " + reason), std::string::npos)
          << command.front() << " " << name << ": " << result.err;
    }
  }
}

// A write that fails says why (a full device or disk), and a target that is
// the photo itself by another name is written at once, without waiting for
// the command's own lock; a hard link is split, as every write splits it.
TEST(FileSafetyCli, WriteErrorsAreHonestAndTheSameFileIsNoOtherWriter) {
  if (!test::HaveProgram("jpegtran")) GTEST_SKIP() << "jpegtran is not installed";
  TempDir dir;
  const std::string original = test::MakeJpeg({.width = 64, .height = 48});
  const fs::path photo = dir / "p.jpg";
  test::WriteBytes(photo, original);
  const test::CommandResult full = RunCli({"rotate-right", photo.string(), "--output", "/dev/full"});
  EXPECT_EQ(full.exitCode, 1);
  EXPECT_NE(full.err.find("/dev/full: cannot write the file: No space left on device"), std::string::npos) << full.err;

  auto width = [](const fs::path& file) { return JpegDecoder().ReadSize(file).width; };
  const test::CommandResult same = RunCli({"rotate-right", photo.string(), "--output", (dir / "." / "p.jpg").string()});
  EXPECT_EQ(same.exitCode, 0) << same.err;
  EXPECT_EQ(width(photo), 48);
  ASSERT_EQ(::link(photo.c_str(), (dir / "q.jpg").c_str()), 0);
  const std::string before = test::ReadBytes(photo);
  const test::CommandResult linked = RunCli({"rotate-right", photo.string(), "--output", (dir / "q.jpg").string()});
  EXPECT_EQ(linked.exitCode, 0) << linked.err;
  EXPECT_EQ(width(dir / "q.jpg"), 64);
  EXPECT_EQ(test::ReadBytes(photo), before);
}

// A file that is no JPEG (empty, or a PNG named .jpg) is refused by every
// command that would write it, never reported as done.
TEST(FileSafetyCli, WritersRefuseWhatIsNoJpeg) {
  TempDir dir;
  const std::pair<const char*, std::string> files[] = {
      {"empty.jpg", ""}, {"png.jpg", std::string("\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR", 16)}};
  const std::vector<std::string> commands = {"auto-rotate", "restore-thumbnail", "delete-exif",  "delete-comment",
                                             "delete-iptc", "rotate-right",      "flip-vertical"};
  for (const auto& [name, bytes] : files) {
    test::WriteBytes(dir / name, bytes);
    for (const std::string& command : commands) {
      const test::CommandResult result = RunCli({command, (dir / name).string()});
      EXPECT_EQ(result.exitCode, 1) << command << " " << name;
      EXPECT_NE(result.err.find((dir / name).string() + ": not a JPEG file"), std::string::npos)
          << command << " " << name << ": " << result.err;
      EXPECT_EQ(test::ReadBytes(dir / name), bytes);
    }
  }
  const test::CommandResult import = RunCli({"import-exif", (dir / "png.jpg").string(), (dir / "empty.jpg").string()});
  EXPECT_EQ(import.exitCode, 1);
}

TEST(FileSafetyCli, RenderIntoADeviceKeepsTheDeviceAndRefusesAFolder) {
  TempDir dir;
  test::WriteBytes(dir / "photo.jpg", test::MakeJpeg());
  fs::create_directory(dir / "out.ppm");
  test::CommandResult folder = RunCli({"render", (dir / "photo.jpg").string(), "--panel", "20x20", "--output",
                                       (dir / "out.ppm").string()});
  EXPECT_EQ(folder.exitCode, 1);
  EXPECT_NE(folder.err.find("out.ppm: is a folder"), std::string::npos) << folder.err;

  const fs::path device = dir / "null";
  if (::mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0) GTEST_SKIP() << "mknod is not permitted";
  test::CommandResult result =
      RunCli({"render", (dir / "photo.jpg").string(), "--panel", "20x20", "--output", device.string()});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_TRUE(fs::is_character_file(device));
}

// A frame header claiming billions of pixels, or a file of endless scans,
// is refused naming the file and the limit, and the file stays as it was.
TEST(FileSafetyCli, RunawayInputsAreRefusedBeforeTransforming) {
  if (!test::HaveProgram("jpegtran")) GTEST_SKIP() << "jpegtran is not installed";
  TempDir dir;
  std::string huge = test::MakeJpeg({.width = 16, .height = 16});
  const size_t sof = huge.find("\xFF\xC0");
  huge.replace(sof + 5, 4, "\xFF\xDC\xFF\xDC");  // 65500 × 65500
  std::string scans = test::MakeJpeg({.width = 16, .height = 16});
  const size_t sos = scans.find("\xFF\xDA");
  const std::string header = scans.substr(sos, 2 + ((uint8_t(scans[sos + 2]) << 8) | uint8_t(scans[sos + 3])));
  std::string extra;
  for (int i = 0; i < 600; ++i) extra += header + std::string(4, '\0');
  scans.insert(scans.size() - 2, extra);
  const std::pair<std::string, std::string> files[] = {{"huge.jpg", huge}, {"scans.jpg", scans}};
  for (const auto& [name, bytes] : files) {
    test::WriteBytes(dir / name, bytes);
    for (const std::vector<std::string>& command :
         {std::vector<std::string>{"rotate-right", (dir / name).string()},
          std::vector<std::string>{"crop", (dir / name).string(), "8x8+0+0"}}) {
      const test::CommandResult result = RunCli(command);
      EXPECT_EQ(result.exitCode, 1) << name;
      EXPECT_NE(result.err.find((dir / name).string() + ": "), std::string::npos) << result.err;
      EXPECT_NE(result.err.find("limit"), std::string::npos) << result.err;
      EXPECT_EQ(test::ReadBytes(dir / name), bytes);
    }
  }
}

TEST(FileSafetyCli, TwoWritersAtOnceLoseNothing) {
  TempDir dir;
  const fs::path file = dir / "photo.jpg";
  for (int round = 0; round < 20; ++round) {
    test::WriteBytes(file, test::MakeJpeg());
    const std::string title = "Title " + std::to_string(round), caption = "Caption " + std::to_string(round);
    test::CommandResult first, second;
    std::thread one([&] { first = RunCli({"set-iptc", file.string(), "--title", title}); });
    std::thread two([&] { second = RunCli({"set-iptc", file.string(), "--caption", caption}); });
    one.join();
    two.join();
    ASSERT_EQ(first.exitCode, 0) << first.err;
    ASSERT_EQ(second.exitCode, 0) << second.err;
    ASSERT_EQ(SummaryValue(file, "ObjectName"), title) << "round " << round;
    ASSERT_EQ(SummaryValue(file, "ImageCaption"), caption) << "round " << round;
  }
}

// A write leaves one segment of each kind it manages, so what it wrote is
// what is read back.
TEST(FileSafetyCli, WhatIsWrittenIsWhatIsReadBack) {
  TempDir dir;
  const std::string picture = test::MakeJpeg({.writeJfif = false});
  const fs::path commented = dir / "commented.jpg";
  test::WriteBytes(commented, test::InsertAfterSoi(picture, {test::Segment(0xE0, JfifPayload()),
                                                             test::Segment(0xFE, "first"),
                                                             test::Segment(0xE2, "ICC_PROFILE"),
                                                             test::Segment(0xFE, "second")}));
  test::CommandResult comment = RunCli({"comment", commented.string(), "new"});
  EXPECT_EQ(comment.exitCode, 0) << comment.err;
  TimgData data(255);
  data.ReadFile(commented);
  ASSERT_TRUE(data.HasComment());
  EXPECT_EQ(data.GetComment(), "new");
  EXPECT_EQ(CountMarkers(commented, TJpegObject::kCom), 1);
  EXPECT_EQ(CountMarkers(commented, 0xFFE2), 1);

  const fs::path iptcFirst = dir / "iptc.jpg";
  test::WriteBytes(iptcFirst, test::InsertAfterSoi(picture, {test::Segment(0xED, std::string("Photoshop 3.0\0", 14)),
                                                             test::Segment(0xE0, JfifPayload())}));
  test::CommandResult iptc = RunCli({"set-iptc", iptcFirst.string(), "--title", "Pier"});
  EXPECT_EQ(iptc.exitCode, 0) << iptc.err;
  EXPECT_EQ(CountMarkers(iptcFirst, TJpegObject::kApp0), 1);
  EXPECT_EQ(SummaryValue(iptcFirst, "ObjectName"), "Pier");
}

// A system that limits each process's address space (ulimit -v) still
// lets a photo be turned.
TEST(FileSafetyCli, ATurnFitsALimitedAddressSpace) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the sanitizer's shadow memory does not fit such a limit";
#endif
  TempDir dir;
  test::WriteBytes(dir / "photo.jpg", test::MakeJpeg());
  const test::CommandResult result = test::Run(
      {"sh", "-c", "ulimit -v 1000000 && exec \"$0\" rotate-right \"$1\"", PIXALDO_CLI_PATH, (dir / "photo.jpg").string()});
  EXPECT_EQ(result.exitCode, 0) << result.err;
}

// A metadata write holds the photo in memory once: it succeeds with no more
// memory for its data than the file's size and 32 MB, however large the
// picture data.
TEST(FileSafetyCli, AMetadataWriteHoldsTheFileOnce) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the sanitizer's own memory would be measured";
#endif
  TempDir dir;
  const std::string small = test::MakeJpeg({.width = 64, .height = 48, .writeJfif = false});
  const std::string exif = test::ExifApp1WithThumbnail(test::MakeJpeg({.width = 16, .height = 16}), false).segment;
  const std::string photo = test::InsertAfterSoi(small, {exif, test::Segment(0xFE, "a comment")}) +
                            std::string(size_t(96) << 20, '\x5A');  // what follows the picture data
  const fs::path source = dir / "source.jpg", file = dir / "large.jpg";
  test::WriteBytes(source, test::InsertAfterSoi(small, {exif}));
  const std::vector<std::vector<std::string>> commands = {
      {"delete-comment", "FILE"},         {"delete-exif", "FILE"},
      {"delete-iptc", "FILE"},            {"restore-thumbnail", "FILE"},
      {"comment", "FILE", "new"},         {"set-iptc", "FILE", "--title", "Pier"},
      {"import-exif", source.string(), "FILE"}};
  const std::string limit = std::to_string((photo.size() >> 10) + 32 * 1024);
  for (std::vector<std::string> command : commands) {
    test::WriteBytes(file, photo);
    std::replace(command.begin(), command.end(), std::string("FILE"), file.string());
    command.insert(command.begin(), {"sh", "-c", "ulimit -d " + limit + " && exec \"$0\" \"$@\"", PIXALDO_CLI_PATH});
    const test::CommandResult result = test::Run(command);
    EXPECT_EQ(result.exitCode, 0) << command[4] << ": " << result.err;
  }
}

// An EXIF block too full for a new thumbnail of the old quality still
// rotates: the new thumbnail is made smaller in bytes until it fits.
TEST(FileSafetyCli, APhotoWithAFullExifBlockIsRotated) {
  if (!test::HaveProgram("jpegtran")) GTEST_SKIP() << "jpegtran is not installed";
  TempDir dir;
  const std::string picture = test::MakeJpeg({.width = 640, .height = 480, .writeJfif = false});
  const std::string oldThumbnail = test::MakeJpeg({.width = 160, .height = 120, .quality = 20, .writeJfif = false});
  auto build = [&](size_t padding) {
    return test::InsertAfterSoi(picture, {test::ExifApp1WithThumbnail(oldThumbnail, true, 6, padding).segment});
  };
  // The size a new thumbnail has when there is room.
  const fs::path roomy = dir / "roomy.jpg";
  test::WriteBytes(roomy, build(0));
  ASSERT_EQ(RunCli({"rotate-right", roomy.string()}).exitCode, 0);
  const int64_t wanted = TJpegObject(roomy, false).ThumbDataLength;

  const size_t unpadded = test::ExifApp1WithThumbnail(oldThumbnail, true).segment.size() - 2;
  const fs::path full = dir / "full.jpg";
  test::WriteBytes(full, build(0xFFFF - unpadded + oldThumbnail.size() - size_t(wanted) + 1));
  const test::CommandResult result = RunCli({"rotate-right", full.string()});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.err, "");
  TJpegObject rotated(full, false);
  EXPECT_GT(rotated.ThumbDataLength, 0);
  EXPECT_LT(rotated.ThumbDataLength, wanted);
  EXPECT_TRUE(rotated.GetThumbnailImage());
}

}  // namespace
}  // namespace pixaldo
