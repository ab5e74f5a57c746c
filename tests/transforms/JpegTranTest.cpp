// The transform runner: jpegtran switches, proposed names, and whole
// transforms with the real jpegtran (and a stand-in that fails).
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "jpeg_structure/JpegObject.h"
#include "photo_view/JpegDecoder.h"
#include "platform/FileError.h"
#include "platform/FileSystem.h"
#include "support/ExifThumbnailBlock.h"
#include "support/TestSupport.h"
#include "transforms/JpegTran.h"

namespace pixaldo {
namespace {

using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;
using Words = std::vector<std::string>;

TEST(TransformArguments, SwitchesOfEveryKindAndTheTrimRule) {
  using K = TransformKind;
  EXPECT_EQ(TJpegTran::TransformArguments(K::RotateLeft, false), (Words{"-copy", "all", "-rotate", "270"}));
  EXPECT_EQ(TJpegTran::TransformArguments(K::RotateRight, true), (Words{"-copy", "all", "-rotate", "90", "-trim"}));
  EXPECT_EQ(TJpegTran::TransformArguments(K::FlipHorizontal, true),
            (Words{"-copy", "all", "-flip", "horizontal", "-trim"}));
  EXPECT_EQ(TJpegTran::TransformArguments(K::FlipVertical, false), (Words{"-copy", "all", "-flip", "vertical"}));
  // Crop and metadata removal never trim.
  EXPECT_EQ(TJpegTran::TransformArguments(K::MetadataDelete, true), (Words{"-copy", "none"}));
  EXPECT_EQ(TJpegTran::TransformArguments(K::Crop, true), (Words{"-copy", "all", "-crop"}));
  EXPECT_EQ(TJpegTran::CropArguments("640x480+16+32"), (Words{"-copy", "all", "-crop", "640x480+16+32"}));
}

TEST(ProposedName, SuffixGoesBeforeTheLastDotOfTheFileName) {
  using K = TransformKind;
  EXPECT_EQ(TJpegTran::ProposedName(K::RotateRight, "/photos/IMG_0001.JPG"), fs::path("/photos/IMG_0001_rot.JPG"));
  EXPECT_EQ(TJpegTran::ProposedName(K::RotateLeft, "/photos/IMG_0001.JPG"), fs::path("/photos/IMG_0001_rot.JPG"));
  EXPECT_EQ(TJpegTran::ProposedName(K::Crop, "/photos/IMG_0001.JPG"), fs::path("/photos/IMG_0001_crop.JPG"));
  EXPECT_EQ(TJpegTran::ProposedName(K::Crop, "/p/a.jpg", "-small"), fs::path("/p/a-small.jpg"));
  EXPECT_EQ(TJpegTran::ProposedName(K::FlipVertical, "/p/a.jpg"), fs::path("/p/a_flip.jpg"));
  EXPECT_EQ(TJpegTran::ProposedName(K::MetadataDelete, "/p/a.jpeg"), fs::path("/p/a_nometa.jpeg"));
  EXPECT_EQ(TJpegTran::ProposedName(K::FlipHorizontal, "/p/two.dots.jpg"), fs::path("/p/two.dots_flip.jpg"));
  // A dot in a directory name is not the file's extension.
  EXPECT_EQ(TJpegTran::ProposedName(K::RotateRight, "/p.d/noext"), fs::path("/p.d/noext_rot"));
}

TEST(IsCropGeometry, AcceptsOnlyWxHPlusXPlusY) {
  for (const char* good : {"640x480+16+32", "1x1+0+0"}) EXPECT_TRUE(IsCropGeometry(good)) << good;
  for (const char* bad : {"", "640x480", "640x480+16", "640x480+16+", "-1x2+3+4", "6 4x4+0+0", "64X48+0+0",
                          "64x48+0+0+1", "64x48-1+0", "1234567890x1+0+0"})
    EXPECT_FALSE(IsCropGeometry(bad)) << bad;
}

// Transforms with the real jpegtran.
class JpegTranRun : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!runner_.JpegTranAvailable()) GTEST_SKIP() << "jpegtran is not installed";
  }
  // What jpegtran itself writes for the switches.
  std::string Expected(const fs::path& file, const Words& switches) {
    Words argv{"jpegtran"};
    argv.insert(argv.end(), switches.begin(), switches.end());
    argv.push_back(file.string());
    test::CommandResult result = test::Run(argv);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    return result.out;
  }
  // The same with the EXIF picture size corrected, which jpegtran leaves
  // stale when the EXIF block is not the file's first segment.
  std::string ExpectedWithSize(const fs::path& file, const Words& switches) {
    std::string expected = Expected(file, switches);
    UpdateExifAfterTurn(expected, std::nullopt);
    return expected;
  }
  static JpegSize SizeOf(const std::string& jpeg) { return JpegDecoder().ReadSize(jpeg, "picture"); }
  static void SetOldDate(const fs::path& file) {
    fs::last_write_time(file, fs::last_write_time(file) - std::chrono::hours(24 * 400) + std::chrono::milliseconds(1));
  }

  TJpegTran runner_;
  TempDir dir_;
};

TEST_F(JpegTranRun, InPlaceGivesExactlyWhatJpegtranWrites) {
  fs::path file = dir_.Make("exif-intel.jpg", "photo.jpg");
  ::chmod(file.c_str(), 0640);
  for (TransformKind kind : {TransformKind::RotateRight, TransformKind::RotateLeft, TransformKind::FlipHorizontal,
                             TransformKind::FlipVertical}) {
    for (bool trim : {false, true}) {
      Words switches = TJpegTran::TransformArguments(kind, trim);
      std::string expected = ExpectedWithSize(file, switches);
      EXPECT_EQ(runner_.Transform(file, file, false, false, switches), file);
      EXPECT_EQ(ReadBytes(file), expected) << int(kind) << trim;
    }
  }
  struct stat info {};
  ::stat(file.c_str(), &info);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
  EXPECT_EQ(dir_.List(), Words{"photo.jpg"});  // no temporary file left
}

TEST_F(JpegTranRun, OutputNameLeavesSourceAloneAndReplacesTheTarget) {
  fs::path source = dir_.Make("exif-motorola.jpg", "-dash.jpg");  // a name that looks like a switch
  ::chmod(source.c_str(), 0444);  // a read-only source does not make a read-only copy
  std::string original = ReadBytes(source);
  fs::path target = TJpegTran::ProposedName(TransformKind::RotateRight, source);
  EXPECT_EQ(target.filename(), "-dash_rot.jpg");
  WriteBytes(target, "an older file of that name");
  Words switches = TJpegTran::TransformArguments(TransformKind::RotateRight, false);
  EXPECT_EQ(runner_.Transform(source, target, false, false, switches), target);
  EXPECT_EQ(ReadBytes(source), original);
  EXPECT_EQ(ReadBytes(target), ExpectedWithSize(source, switches));
  EXPECT_EQ(SizeOf(ReadBytes(target)).width, SizeOf(original).height);
  EXPECT_EQ(::access(target.c_str(), W_OK), 0);
  struct stat info {};
  ::stat(target.c_str(), &info);
  EXPECT_NE(info.st_mode & 0200, 0u);
  // The source itself, read-only, is not rewritten in place.
  EXPECT_THROW(runner_.Transform(source, source, false, false, switches), FileError);
  EXPECT_EQ(ReadBytes(source), original);
}

TEST(FindJpegTran, SearchesPathSkippingEmptyEntries) {
  TempDir dir;
  fs::create_directory(dir / "bin");
  fs::path fake = dir / "bin" / "jpegtran";
  WriteBytes(fake, "#!/bin/sh\n");
  ::chmod(fake.c_str(), 0755);
  std::string saved = std::getenv("PATH") ? std::getenv("PATH") : "";
  ::setenv("PATH", ("::" + (dir / "nothing").string() + ":" + (dir / "bin").string()).c_str(), 1);
  fs::path found = FindJpegTran();
  ::setenv("PATH", ":", 1);
  fs::path none = FindJpegTran();
  ::setenv("PATH", saved.c_str(), 1);
  EXPECT_EQ(found, fake);
  EXPECT_EQ(none, fs::path());
  EXPECT_EQ(TJpegTran(fake).TransformerPath(), fake);
}

TEST_F(JpegTranRun, CropToAGeometryAndStripMetadata) {
  fs::path file = dir_ / "made.jpg";
  WriteBytes(file, test::InsertAfterSoi(test::MakeJpeg({.width = 96, .height = 64}),
                                        {test::Segment(0xE1, std::string("Exif\0\0MM", 8)),
                                         test::Segment(0xED, "Photoshop 3.0"), test::Segment(0xFE, "a comment")}));
  Words crop = TJpegTran::CropArguments("48x32+16+16");
  std::string expected = Expected(file, crop);
  fs::path cropped = dir_ / "made_crop.jpg";
  runner_.Transform(file, cropped, false, false, crop);
  EXPECT_EQ(ReadBytes(cropped), expected);
  EXPECT_EQ(SizeOf(expected).width, 48);
  EXPECT_EQ(SizeOf(expected).height, 32);

  fs::path stripped = dir_ / "made_nometa.jpg";
  Words strip = TJpegTran::TransformArguments(TransformKind::MetadataDelete, false);
  runner_.Transform(file, stripped, false, false, strip);
  std::string bytes = ReadBytes(stripped);
  EXPECT_EQ(bytes, Expected(file, strip));
  for (const char* gone : {"Exif", "Photoshop", "a comment"}) EXPECT_EQ(bytes.find(gone), std::string::npos);
  EXPECT_EQ(test::PictureData(bytes), test::PictureData(ReadBytes(file)));
}

TEST_F(JpegTranRun, FailingJpegtranLeavesEverythingAsItWasAndReportsItsMessage) {
  fs::path file = dir_.Make("exif-intel.jpg", "photo.jpg");
  fs::path text = dir_ / "text.jpg";
  WriteBytes(text, "this is not a picture");
  SetOldDate(file);
  std::string original = ReadBytes(file);
  auto originalDate = fs::last_write_time(file);
  fs::path other = dir_ / "other.jpg";

  struct Case {
    fs::path source, target;
    Words switches;
  };
  for (const Case& c : {Case{file, file, TJpegTran::CropArguments("16x16+400+400")},  // outside the picture
                        Case{file, other, TJpegTran::CropArguments("16x16+400+400")},
                        Case{text, text, TJpegTran::TransformArguments(TransformKind::RotateLeft, false)}}) {
    try {
      runner_.Transform(c.source, c.target, true, true, c.switches);
      ADD_FAILURE() << "no error for " << c.source;
    } catch (const FileError& error) {
      EXPECT_EQ(error.path(), c.source);
      EXPECT_NE(error.reason().find("jpegtran failed: "), std::string::npos) << error.reason();
      EXPECT_GT(error.reason().size(), std::string("jpegtran failed: ").size());
    }
  }
  EXPECT_EQ(ReadBytes(file), original);
  EXPECT_EQ(fs::last_write_time(file), originalDate);
  EXPECT_EQ(ReadBytes(text), "this is not a picture");
  EXPECT_EQ(dir_.List(), (Words{"photo.jpg", "text.jpg"}));  // no target, no temporary file
}

TEST(JpegTranFailures, StandInMessageMissingProgramAndUnwritableTarget) {
  TempDir dir;
  fs::path file = dir.Make("exif-intel.jpg", "photo.jpg");
  std::string original = ReadBytes(file);
  Words switches = TJpegTran::TransformArguments(TransformKind::RotateLeft, false);

  // A jpegtran that writes half a file and fails: the half file never replaces anything.
  fs::path fake = dir / "fake-jpegtran";
  WriteBytes(fake, "#!/bin/sh\nprintf half\necho 'fake-jpegtran: disk on fire' >&2\nexit 1\n");
  ::chmod(fake.c_str(), 0755);
  TJpegTran failing(fake);
  EXPECT_TRUE(failing.JpegTranAvailable());
  try {
    failing.Transform(file, file, false, false, switches);
    ADD_FAILURE();
  } catch (const FileError& error) {
    EXPECT_EQ(error.reason(), "jpegtran failed: fake-jpegtran: disk on fire");
  }
  EXPECT_EQ(ReadBytes(file), original);

  TJpegTran missing{fs::path()};
  EXPECT_FALSE(missing.JpegTranAvailable());
  EXPECT_THROW(missing.Transform(file, file, false, false, switches), FileError);
  EXPECT_THROW(TJpegTran(dir / "gone").Transform(file, file, false, false, switches), FileError);
  EXPECT_THROW(TJpegTran().Transform(dir / "vanished.jpg", dir / "x.jpg", false, false, switches), FileError);
  fs::create_directory(dir / "folder.jpg");
  EXPECT_THROW(TJpegTran().Transform(dir / "folder.jpg", dir / "x.jpg", false, false, switches), FileError);
  ::mkfifo((dir / "pipe.jpg").c_str(), 0600);  // would block jpegtran for ever
  EXPECT_THROW(TJpegTran().Transform(dir / "pipe.jpg", dir / "x.jpg", false, false, switches), FileError);
  fs::remove(dir / "folder.jpg");
  fs::remove(dir / "pipe.jpg");

  // A read-only file of the chosen name is not replaced; nothing is transformed.
  fs::path locked = dir / "locked.jpg";
  WriteBytes(locked, "keep me");
  ::chmod(locked.c_str(), 0444);
  EXPECT_THROW(TJpegTran().Transform(file, locked, false, false, switches), FileError);
  EXPECT_EQ(ReadBytes(locked), "keep me");
  EXPECT_EQ(ReadBytes(file), original);
  EXPECT_EQ(dir.List(), (Words{"fake-jpegtran", "locked.jpg", "photo.jpg"}));
}

TEST_F(JpegTranRun, ThumbnailRegeneratedAndDateKeptWhenAsked) {
  fs::path file = dir_ / "photo.jpg";
  WriteBytes(file, test::InsertAfterSoi(test::MakeJpeg({.width = 640, .height = 480, .writeJfif = false}),
                                        {test::ExifApp1WithThumbnail(test::MakeJpeg({160, 120}), false).segment}));
  SetOldDate(file);
  auto oldDate = fs::last_write_time(file);
  JpegSize oldThumb = SizeOf(TJpegObject(file, false).GetThumbnailBytes());
  ASSERT_GT(oldThumb.width, oldThumb.height);
  Words switches = TJpegTran::TransformArguments(TransformKind::RotateRight, false);

  fs::path plain = dir_ / "plain.jpg";
  runner_.Transform(file, plain, false, false, switches);
  EXPECT_NE(fs::last_write_time(plain), oldDate);
  EXPECT_EQ(TJpegObject(plain, false).GetThumbnailBytes(), TJpegObject(file, false).GetThumbnailBytes());

  runner_.Transform(file, file, true, true, switches);
  EXPECT_EQ(fs::last_write_time(file), oldDate);
  JpegSize newThumb = SizeOf(TJpegObject(file, false).GetThumbnailBytes());
  EXPECT_EQ(newThumb.width, oldThumb.height);
  EXPECT_EQ(newThumb.height, oldThumb.width);
  // The picture itself is jpegtran's.
  EXPECT_EQ(test::PictureData(ReadBytes(file)), test::PictureData(ReadBytes(plain)));
  EXPECT_EQ(dir_.List(), (Words{"photo.jpg", "plain.jpg"}));
}

// The new thumbnail is decoded from jpegtran's output while it arrives; it
// is the same as the one made from the finished output, for a sequential
// and a progressive picture.
TEST_F(JpegTranRun, ThumbnailFromTheArrivingOutputEqualsTheOneFromTheFinishedOutput) {
  const std::string thumbnail = test::MakeJpeg({.width = 160, .height = 120, .writeJfif = false});
  for (bool progressive : {false, true}) {
    const std::string picture =
        test::MakeJpeg({.width = 1200, .height = 900, .progressive = progressive, .writeJfif = false});
    const fs::path file = dir_ / "photo.jpg", plain = dir_ / "plain.jpg", refreshed = dir_ / "refreshed.jpg";
    WriteBytes(file, test::InsertAfterSoi(picture, {test::ExifApp1WithThumbnail(thumbnail, true).segment}));
    const Words switches = TJpegTran::TransformArguments(TransformKind::RotateRight, false);
    runner_.Transform(file, plain, false, false, switches);
    runner_.Transform(file, refreshed, false, true, switches);
    TJpegObject expected(ReadBytes(plain), plain);
    ASSERT_EQ(expected.RegenerateThumbnail(), TJpegObject::ThumbnailRefresh::Replaced);
    EXPECT_EQ(ReadBytes(refreshed), expected.Bytes()) << (progressive ? "progressive" : "sequential");
  }
}

// A thumbnail that cannot be made (here the stored one claims a size no
// thumbnail has) fails the transform before the target is touched: the photo
// keeps its bytes, and no scratch file stays in the folder.
TEST_F(JpegTranRun, ThumbnailFailureLeavesTheTargetAsItWas) {
  const std::string huge = test::MakeJpeg({.width = 1100, .height = 8, .quality = 1, .writeJfif = false});
  const std::string original =
      test::InsertAfterSoi(test::MakeJpeg({.width = 640, .height = 480, .writeJfif = false}),
                           {test::ExifApp1WithThumbnail(huge, true).segment});
  fs::path file = dir_ / "photo.jpg";
  WriteBytes(file, original);
  try {
    runner_.Transform(file, file, true, true, TJpegTran::TransformArguments(TransformKind::RotateRight, false));
    ADD_FAILURE() << "the transform succeeded";
  } catch (const FileError& error) {
    EXPECT_EQ(error.path(), file);
    EXPECT_EQ(error.reason().rfind("cannot make the new thumbnail: ", 0), 0u) << error.reason();
  }
  EXPECT_EQ(ReadBytes(file), original);
  EXPECT_EQ(dir_.List(), (Words{"photo.jpg"}));
}

// What another program appended after the picture data (a FotoStation or
// Photo Mechanic record, found from the file's end) follows the turned
// picture, sequential or progressive; removing the metadata removes it too.
TEST_F(JpegTranRun, MetadataAfterThePictureIsKept) {
  const std::string trailer = std::string("IPTC record \xFF\xD9 of another program \xA1\xB2\xC3\xD4", 38);
  for (bool progressive : {false, true}) {
    const fs::path file = dir_ / "photo.jpg", stripped = dir_ / "stripped.jpg";
    WriteBytes(file, test::MakeJpeg({.width = 64, .height = 48, .progressive = progressive}) + trailer);
    runner_.Transform(file, file, false, false, TransformRequest{TransformKind::RotateRight});
    const std::string turned = ReadBytes(file);
    EXPECT_TRUE(turned.ends_with("\xFF\xD9" + trailer)) << progressive;
    EXPECT_EQ(SizeOf(turned).width, 48);
    runner_.Transform(file, stripped, false, false, TransformRequest{TransformKind::MetadataDelete});
    EXPECT_TRUE(ReadBytes(stripped).ends_with("\xFF\xD9")) << progressive;
  }
}

}  // namespace
}  // namespace pixaldo
