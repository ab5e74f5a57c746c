// The edits of the metadata window on made files whose layout each test
// knows, byte by byte; kept dates; failed saves.
#include <gtest/gtest.h>

#include <functional>

#include "exif/ExifData.h"
#include "jpeg_structure/JpegObject.h"
#include "platform/FileSystem.h"
#include "platform/FileError.h"
#include "support/Corpus.h"
#include "support/JpegSegments.h"
#include "support/TestSupport.h"

namespace pixaldo {
namespace {

namespace fs = std::filesystem;

using test::Segment;
using test::TempDir;

const std::string kSoi("\xFF\xD8", 2);
const std::string kJfif("\xFF\xE0\x00\x10JFIF\x00\x01\x02\x01\x01\x2C\x01\x2C\x00\x00", 18);

// The first segment with the marker of a photo the tests make.
std::string SegmentOf(const std::string& corpusName, uint8_t marker) {
  return Segment(marker, test::FirstPayload(test::CorpusBytes(corpusName), marker).value());
}
// A picture's bytes after SOI, without any header: DQT, SOF, ...
std::string Picture() { return test::MakeJpeg({.writeJfif = false}).substr(2); }

// A file time in the past with a sub-second part, to see it restored exactly.
FileTime PastTime(const fs::path& file) {
  auto time = fs::last_write_time(file) - std::chrono::hours(24 * 400) + std::chrono::nanoseconds(123456789);
  fs::last_write_time(file, time);
  return time;
}

fs::path Write(const TempDir& dir, const std::string& name, const std::string& bytes) {
  test::WriteBytes(dir / name, bytes);
  return dir / name;
}

TEST(SegmentEdit, DeleteExifPutsTheJfifHeaderOnlyWhereThereIsNoApp0) {
  TempDir dir;
  const std::string exif = SegmentOf("exif-intel.jpg", 0xE1), picture = Picture();
  // SOI, APP1, DQT ...: the header takes the APP1's place.
  auto noApp0 = Write(dir, "no-app0.jpg", kSoi + exif + picture);
  EXPECT_TRUE(TJpegObject(noApp0, false).DeleteExif());
  EXPECT_EQ(test::ReadBytes(noApp0), kSoi + kJfif + picture);

  // SOI, APP0 (of another density), APP1: only the APP1 goes.
  const std::string app0 = Segment(0xE0, std::string("JFIF\0\1\1\0\0\1\0\1\0\0", 14));
  auto withApp0 = Write(dir, "with-app0.jpg", kSoi + app0 + exif + picture);
  EXPECT_TRUE(TJpegObject(withApp0, false).DeleteExif());
  EXPECT_EQ(test::ReadBytes(withApp0), kSoi + app0 + picture);

  TJpegObject after(withApp0, false);
  EXPECT_EQ(after.FindSegment(0xFFE1), 0);
  EXPECT_FALSE(after.DeleteExif());
}

TEST(SegmentEdit, DeleteCommentRemovesOnlyTheFirstOfTwo) {
  TempDir dir;
  std::string picture = test::MakeJpeg();
  auto file = dir / "two-comments.jpg";
  test::WriteBytes(file, test::InsertAfterSoi(picture, {Segment(0xFE, "first"), Segment(0xFE, "second")}));
  EXPECT_TRUE(TJpegObject(file, false).DeleteComment());
  EXPECT_EQ(test::ReadBytes(file), test::InsertAfterSoi(picture, {Segment(0xFE, "second")}));
  EXPECT_TRUE(TJpegObject(file, false).DeleteComment());
  EXPECT_EQ(test::ReadBytes(file), picture);
  EXPECT_FALSE(TJpegObject(file, false).DeleteComment());
  EXPECT_EQ(test::ReadBytes(file), picture);
}

TEST(SegmentEdit, DeleteIptcRemovesTheFirstApp13Only) {
  TempDir dir;
  const std::string exif = SegmentOf("exif-intel.jpg", 0xE1), second = SegmentOf("iptc-utf8.jpg", 0xED);
  auto file = Write(dir, "two-app13.jpg", kSoi + exif + SegmentOf("exif-intel.jpg", 0xED) + second + Picture());
  EXPECT_TRUE(TJpegObject(file, false).DeleteIptc());
  EXPECT_EQ(test::ReadBytes(file), kSoi + exif + second + Picture());
}

TEST(SegmentEdit, ImportReplacesApp1OrElseApp0AndLeavesOtherFilesAlone) {
  TempDir dir;
  const std::string source = SegmentOf("exif-motorola.jpg", 0xE1);
  auto sourcePath = dir.Make("exif-motorola.jpg", "source.jpg");

  const std::string withApp1Bytes = kSoi + SegmentOf("exif-intel.jpg", 0xE1) + Picture();
  auto withApp1 = Write(dir, "with-app1.jpg", withApp1Bytes);
  EXPECT_TRUE(TJpegObject(withApp1, false).ImportExif(sourcePath));
  EXPECT_EQ(test::ReadBytes(withApp1), kSoi + source + Picture());

  auto withApp0 = Write(dir, "with-app0.jpg", kSoi + kJfif + Picture());
  EXPECT_TRUE(TJpegObject(withApp0, false).ImportExif(sourcePath));
  EXPECT_EQ(test::ReadBytes(withApp0), kSoi + source + Picture());
  EXPECT_TRUE(TJpegObject(withApp0, false).ImgData->HasExif());

  auto neither = dir / "bare.jpg";
  std::string bare = test::MakeJpeg({.writeJfif = false});
  test::WriteBytes(neither, bare);
  EXPECT_FALSE(TJpegObject(neither, false).ImportExif(sourcePath));
  EXPECT_EQ(test::ReadBytes(neither), bare);

  // A source without an APP1 segment changes nothing.
  auto target = Write(dir, "target.jpg", withApp1Bytes);
  EXPECT_FALSE(TJpegObject(target, false).ImportExif(Write(dir, "jfif.jpg", test::MakeJpeg())));
  EXPECT_EQ(test::ReadBytes(target), withApp1Bytes);
}

TEST(SegmentEdit, ImportRefusesAnApp1CutShortByTheEndOfItsFile) {
  TempDir dir;
  auto source = dir / "cut.jpg";
  test::WriteBytes(source, std::string("\xFF\xD8\xFF\xE1\x20\x00", 6) + "Exif");
  auto target = dir.Make("exif-intel.jpg");
  EXPECT_THROW(TJpegObject(target, false).ImportExif(source), FileError);
  EXPECT_EQ(test::ReadBytes(target), test::CorpusBytes("exif-intel.jpg"));
  EXPECT_THROW(TJpegObject(target, false).ImportExif(dir / "missing.jpg"), FileError);
}

TEST(SegmentEdit, KeepDatePutsTheExactTimeBackAfterEveryEdit) {
  TempDir dir;
  auto source = dir.Make("exif-motorola.jpg", "source.jpg");
  const std::string photo = test::CorpusBytes("exif-intel.jpg");
  struct Edit {
    const char* name;
    std::string bytes;
    std::function<bool(TJpegObject&)> run;
  };
  std::vector<Edit> edits{
      {"delete exif", photo, [](TJpegObject& o) { return o.DeleteExif(); }},
      {"delete comment", photo, [](TJpegObject& o) { return o.DeleteComment(); }},
      {"delete iptc", photo, [](TJpegObject& o) { return o.DeleteIptc(); }},
      {"import exif", photo, [&](TJpegObject& o) { return o.ImportExif(source); }},
      {"delete app2", test::InsertAfterSoi(photo, {Segment(0xE2, "FPXR")}),
       [](TJpegObject& o) { return o.DeleteSegment(0xFFE2); }},
  };
  for (const auto& edit : edits) {
    auto file = Write(dir, "edited.jpg", edit.bytes);
    FileTime before = PastTime(file);
    TJpegObject object(file, true);
    EXPECT_TRUE(edit.run(object)) << edit.name;
    EXPECT_NE(test::ReadBytes(file), edit.bytes) << edit.name;
    EXPECT_EQ(fs::last_write_time(file), before) << edit.name;

    auto unkept = Write(dir, "unkept.jpg", edit.bytes);
    FileTime old = PastTime(unkept);
    TJpegObject plain(unkept, false);
    edit.run(plain);
    EXPECT_NE(fs::last_write_time(unkept), old) << edit.name;
  }
}

TEST(SegmentEdit, FailedSaveLeavesFileAndBytesAsTheyWere) {
  TempDir dir;
  auto file = dir.Make("exif-intel.jpg");
  const std::string original = test::ReadBytes(file);
  for (int step = 1; step <= 3; ++step) {
    TJpegObject object(file, false);
    FaultInjection::FailAt(step);
    EXPECT_THROW(object.DeleteExif(), FileError) << step;
    FaultInjection::Reset();
    EXPECT_EQ(object.Bytes(), original);
    EXPECT_EQ(test::ReadBytes(file), original);
    EXPECT_EQ(dir.List(), std::vector<std::string>{"exif-intel.jpg"});
  }
  fs::permissions(file, fs::perms::owner_write, fs::perm_options::remove);
  TJpegObject readOnly(file, false);
  try {
    readOnly.DeleteSegment(0xFFDB);
    ADD_FAILURE() << "a read-only file was written";
  } catch (const FileError& error) {
    EXPECT_EQ(error.path(), file);
  }
  EXPECT_EQ(readOnly.Bytes(), original);
  EXPECT_EQ(test::ReadBytes(file), original);
}

TEST(SegmentEdit, InsertAndReplaceWorkOnTheBytesHeldOnly) {
  TempDir dir;
  auto file = dir / "small.jpg";
  const std::string picture = test::MakeJpeg();
  test::WriteBytes(file, picture);
  TJpegObject object(file, false);
  const int64_t n = int64_t(picture.size());
  EXPECT_FALSE(object.InsertBytes("x", 0));
  EXPECT_FALSE(object.InsertBytes("x", n + 1));
  EXPECT_TRUE(object.InsertBytes("AB", 3));
  EXPECT_EQ(object.Bytes(), picture.substr(0, 2) + "AB" + picture.substr(2));
  EXPECT_TRUE(object.InsertBytes("Z", n + 2));
  EXPECT_EQ(object.Bytes().substr(object.Bytes().size() - 2), "Z\xD9");
  EXPECT_FALSE(object.ReplaceBytes("", "q"));
  EXPECT_FALSE(object.ReplaceBytes("no such bytes", "q"));
  EXPECT_TRUE(object.ReplaceBytes("AB", "long replacement"));
  EXPECT_EQ(object.Bytes().substr(2, 16), "long replacement");
  EXPECT_TRUE(object.ReplaceBytes("long replacement", ""));
  EXPECT_EQ(object.Bytes().size(), picture.size() + 1);
  EXPECT_EQ(test::ReadBytes(file), picture);
  object.EnsureJfifHeader();  // the file has a JFIF APP0 already
  EXPECT_EQ(object.Bytes().size(), picture.size() + 1);
}

}  // namespace
}  // namespace pixaldo
