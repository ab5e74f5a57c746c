// The edits of the metadata window on copies of real files, byte by byte;
// kept dates; failed saves.
#include <gtest/gtest.h>

#include <functional>

#include "exif/ExifData.h"
#include "jpeg_structure/JpegObject.h"
#include "platform/FileSystem.h"
#include "platform/FileError.h"
#include "support/TestSupport.h"

namespace pixaldo {
namespace {

namespace fs = std::filesystem;

using test::Segment;
using test::TempDir;

const std::string kJfif("\xFF\xE0\x00\x10JFIF\x00\x01\x02\x01\x01\x2C\x01\x2C\x00\x00", 18);

std::string Original(const std::string& name) { return test::ReadBytes(test::TestData(name)); }

// A file time in the past with a sub-second part, to see it restored exactly.
FileTime PastTime(const fs::path& file) {
  auto time = fs::last_write_time(file) - std::chrono::hours(24 * 400) + std::chrono::nanoseconds(123456789);
  fs::last_write_time(file, time);
  return time;
}

TEST(SegmentEdit, DeleteExifPutsTheJfifHeaderOnlyWhereThereIsNoApp0) {
  PIXALDO_NEEDS_SAMPLES();
  TempDir dir;
  // SOI, APP1 (2, 11260), DQT ...: the header takes the APP1's place.
  auto noApp0 = dir.Copy("cameras/DSCN0010.jpg");
  std::string original = Original("cameras/DSCN0010.jpg");
  EXPECT_TRUE(TJpegObject(noApp0, false).DeleteExif());
  EXPECT_EQ(test::ReadBytes(noApp0), original.substr(0, 2) + kJfif + original.substr(11262));

  // SOI, APP0 (2, 18), APP1 (20, 2478): only the APP1 goes.
  auto withApp0 = dir.Copy("cameras/Canon_40D.jpg");
  original = Original("cameras/Canon_40D.jpg");
  EXPECT_TRUE(TJpegObject(withApp0, false).DeleteExif());
  EXPECT_EQ(test::ReadBytes(withApp0), original.substr(0, 20) + original.substr(20 + 2478));

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
  PIXALDO_NEEDS_SAMPLES();
  TempDir dir;
  const std::string name = "iptc/iptc-psAPP13-wIPTC1-psAPP13-wIPTC2.jpg";
  auto file = dir.Copy(name);
  std::string original = Original(name);
  EXPECT_TRUE(TJpegObject(file, false).DeleteIptc());
  EXPECT_EQ(test::ReadBytes(file), original.substr(0, 5170) + original.substr(5170 + 8674));
}

TEST(SegmentEdit, ImportReplacesApp1OrElseApp0AndLeavesOtherFilesAlone) {
  PIXALDO_NEEDS_SAMPLES();
  TempDir dir;
  const std::string source = Original("cameras/Canon_40D.jpg").substr(20, 2478);
  auto sourcePath = test::TestData("cameras/Canon_40D.jpg");

  auto withApp1 = dir.Copy("cameras/DSCN0010.jpg");
  std::string original = Original("cameras/DSCN0010.jpg");
  EXPECT_TRUE(TJpegObject(withApp1, false).ImportExif(sourcePath));
  EXPECT_EQ(test::ReadBytes(withApp1), original.substr(0, 2) + source + original.substr(11262));

  auto withApp0 = dir.Copy("iptc/iptc-noAPP13.jpg");
  original = Original("iptc/iptc-noAPP13.jpg");
  EXPECT_TRUE(TJpegObject(withApp0, false).ImportExif(sourcePath));
  EXPECT_EQ(test::ReadBytes(withApp0), original.substr(0, 2) + source + original.substr(20));
  EXPECT_TRUE(TJpegObject(withApp0, false).ImgData->HasExif());

  auto neither = dir / "bare.jpg";
  std::string bare = test::MakeJpeg({.writeJfif = false});
  test::WriteBytes(neither, bare);
  EXPECT_FALSE(TJpegObject(neither, false).ImportExif(sourcePath));
  EXPECT_EQ(test::ReadBytes(neither), bare);

  // A source without an APP1 segment changes nothing.
  auto target = dir.Copy("cameras/DSCN0010.jpg", "target.jpg");
  EXPECT_FALSE(TJpegObject(target, false).ImportExif(test::TestData("iptc/iptc-noAPP13.jpg")));
  EXPECT_EQ(test::ReadBytes(target), Original("cameras/DSCN0010.jpg"));
}

TEST(SegmentEdit, ImportRefusesAnApp1CutShortByTheEndOfItsFile) {
  PIXALDO_NEEDS_SAMPLES();
  TempDir dir;
  auto source = dir / "cut.jpg";
  test::WriteBytes(source, std::string("\xFF\xD8\xFF\xE1\x20\x00", 6) + "Exif");
  auto target = dir.Copy("cameras/DSCN0010.jpg");
  EXPECT_THROW(TJpegObject(target, false).ImportExif(source), FileError);
  EXPECT_EQ(test::ReadBytes(target), Original("cameras/DSCN0010.jpg"));
  EXPECT_THROW(TJpegObject(target, false).ImportExif(dir / "missing.jpg"), FileError);
}

TEST(SegmentEdit, KeepDatePutsTheExactTimeBackAfterEveryEdit) {
  PIXALDO_NEEDS_SAMPLES();
  TempDir dir;
  auto source = test::TestData("cameras/Canon_40D.jpg");
  struct Edit {
    const char* file;
    std::function<bool(TJpegObject&)> run;
  };
  std::vector<Edit> edits{
      {"cameras/DSCN0010.jpg", [](TJpegObject& o) { return o.DeleteExif(); }},
      {"cameras/Nikon_D70.jpg", [](TJpegObject& o) { return o.DeleteComment(); }},
      {"iptc/IPTC.jpg", [](TJpegObject& o) { return o.DeleteIptc(); }},
      {"cameras/DSCN0010.jpg", [&](TJpegObject& o) { return o.ImportExif(source); }},
      {"cameras/Canon_40D.jpg", [](TJpegObject& o) { return o.DeleteSegment(0xFFE2); }},
  };
  for (const auto& edit : edits) {
    auto file = dir.Copy(edit.file, "edited.jpg");
    FileTime before = PastTime(file);
    const std::string original = test::ReadBytes(file);
    TJpegObject object(file, true);
    EXPECT_TRUE(edit.run(object)) << edit.file;
    EXPECT_NE(test::ReadBytes(file), original) << edit.file;
    EXPECT_EQ(fs::last_write_time(file), before) << edit.file;

    auto unkept = dir.Copy(edit.file, "unkept.jpg");
    FileTime old = PastTime(unkept);
    TJpegObject plain(unkept, false);
    edit.run(plain);
    EXPECT_NE(fs::last_write_time(unkept), old) << edit.file;
  }
}

TEST(SegmentEdit, FailedSaveLeavesFileAndBytesAsTheyWere) {
  PIXALDO_NEEDS_SAMPLES();
  TempDir dir;
  auto file = dir.Copy("cameras/DSCN0010.jpg");
  const std::string original = test::ReadBytes(file);
  for (int step = 1; step <= 3; ++step) {
    TJpegObject object(file, false);
    FaultInjection::FailAt(step);
    EXPECT_THROW(object.DeleteExif(), FileError) << step;
    FaultInjection::Reset();
    EXPECT_EQ(object.Bytes(), original);
    EXPECT_EQ(test::ReadBytes(file), original);
    EXPECT_EQ(dir.List(), std::vector<std::string>{"DSCN0010.jpg"});
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
