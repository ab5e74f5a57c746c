// EXIF thumbnail: location, size rule, regeneration on a real photo and on
// built EXIF blocks of both byte orders, the 65,535-byte limit, temporary files.
#include <gtest/gtest.h>

#include <climits>
#include <random>

#include "exif/ExifData.h"
#include "jpeg_structure/JpegObject.h"
#include "photo_view/JpegDecoder.h"
#include "platform/ByteOrder.h"
#include "support/Corpus.h"
#include "support/ExifThumbnailBlock.h"
#include "support/JpegSegments.h"
#include "platform/FileError.h"
#include "support/TestSupport.h"

namespace pixaldo {
namespace {

namespace fs = std::filesystem;

using test::TempDir;

JpegSize SizeOf(const std::string& jpeg) { return JpegDecoder().ReadSize(jpeg, "thumbnail"); }

// The thumbnail as its own file: baseline, no APP0, decodable.
void ExpectBaselineWithoutApp0(const std::string& thumbnail, int width, int height) {
  TempDir dir;
  auto path = dir / "thumb.jpg";
  test::WriteBytes(path, thumbnail);
  TJpegObject object(path, false);
  EXPECT_NE(object.FindSegment(0xFFC0), 0);
  EXPECT_EQ(object.FindSegment(0xFFE0), 0);
  EXPECT_EQ(object.Segment(2).Marker, 0xFFDB);  // SOI, then the encoder's tables
  DecodedPicture decoded = JpegDecoder().Decode(thumbnail, INT_MAX, INT_MAX, path);
  EXPECT_EQ(decoded.image.width, width);
  EXPECT_EQ(decoded.image.height, height);
}

// The APP1 length field and the thumbnail length value agree with the thumbnail.
void ExpectLengthsMatch(const TJpegObject& object) {
  const std::string& bytes = object.Bytes();
  ASSERT_NE(object.ExifSegment.Marker, 0);
  EXPECT_EQ(ReadU16(bytes, size_t(object.ExifSegment.Offset + 2), true), object.ExifSegment.Size - 2);
  EXPECT_EQ(ReadU32(bytes, size_t(object.ThumbLengthPos), object.BigEndian), object.ThumbDataLength);
  EXPECT_EQ(object.GetThumbnailBytes().substr(0, 2), "\xFF\xD8");
  EXPECT_EQ(object.GetThumbnailBytes().substr(object.ThumbDataLength - 2), "\xFF\xD9");
}

TEST(ThumbnailSize, LongerSideIsTheMaximumAndTheOtherIsCutToWholeEighths) {
  using S = TJpegObject::Size2;
  auto eq = [](S a, S b) { return a.Width == b.Width && a.Height == b.Height; };
  EXPECT_TRUE(eq(TJpegObject::ThumbnailSize(160, 3264, 2448), S{160, 120}));
  EXPECT_TRUE(eq(TJpegObject::ThumbnailSize(160, 2448, 3264), S{120, 160}));
  EXPECT_TRUE(eq(TJpegObject::ThumbnailSize(160, 3000, 2000), S{160, 106}));
  EXPECT_TRUE(eq(TJpegObject::ThumbnailSize(160, 2000, 3000), S{106, 160}));
  EXPECT_TRUE(eq(TJpegObject::ThumbnailSize(160, 777, 777), S{160, 160}));
  EXPECT_TRUE(eq(TJpegObject::ThumbnailSize(160, 0, 100), S{0, 0}));
}

struct BuiltFile {
  std::string bytes;
  test::ExifThumbnailLayout layout;
};

BuiltFile PhotoWithThumbnail(bool bigEndian, const std::string& thumbnail, uint16_t compression = 6,
                             size_t padding = 0, const std::string& after = {}) {
  std::string picture = test::MakeJpeg({.width = 640, .height = 480, .writeJfif = false});
  BuiltFile built{{}, test::ExifApp1WithThumbnail(thumbnail, bigEndian, compression, padding, after)};
  built.bytes = test::InsertAfterSoi(picture, {built.layout.segment});
  return built;
}

std::string SmallThumbnail(int quality) {
  return test::MakeJpeg({.width = 160, .height = 120, .quality = quality, .writeJfif = false});
}

TEST(Thumbnail, IsLocatedInBothByteOrders) {
  TempDir dir;
  for (bool bigEndian : {true, false}) {
    std::string thumbnail = SmallThumbnail(50);
    BuiltFile built = PhotoWithThumbnail(bigEndian, thumbnail);
    auto path = dir / "built.jpg";
    test::WriteBytes(path, built.bytes);
    TJpegObject object(path, false);
    EXPECT_TRUE(object.ThumbIsJpeg);
    EXPECT_EQ(object.BigEndian, bigEndian);
    EXPECT_EQ(object.ThumbDataOffset, int64_t(2 + built.layout.thumbnailAt));
    EXPECT_EQ(object.ThumbDataLength, thumbnail.size());
    EXPECT_EQ(object.ThumbLengthPos, int32_t(2 + built.layout.lengthValueAt));
    EXPECT_EQ(object.GetThumbnailBytes(), thumbnail);
    auto image = object.GetThumbnailImage();
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, 160);
    EXPECT_EQ(image->height, 120);
  }
}

TEST(Thumbnail, RegenerationRewritesBothLengthsInTheBlocksByteOrder) {
  TempDir dir, temporary;
  for (bool bigEndian : {true, false}) {
    // A large old thumbnail, so that the new one is smaller and the file shrinks.
    std::string old = test::MakeJpeg({.width = 160, .height = 120, .quality = 100, .writeJfif = false});
    BuiltFile built = PhotoWithThumbnail(bigEndian, old);
    auto path = dir / "built.jpg";
    test::WriteBytes(path, built.bytes);
    EXPECT_TRUE(TJpegObject(path, false).RestoreThumbnail());
    EXPECT_TRUE(temporary.List().empty());

    TJpegObject after(path, false);
    ExpectLengthsMatch(after);
    std::string fresh = after.GetThumbnailBytes();
    ASSERT_LT(fresh.size(), old.size());
    EXPECT_EQ(after.Bytes().size(), built.bytes.size() - old.size() + fresh.size());
    ExpectBaselineWithoutApp0(fresh, 160, 120);
    // Everything before the thumbnail but the two length fields, and the picture, stay.
    std::string expected = built.bytes.substr(0, 2 + built.layout.thumbnailAt) + fresh +
                           built.bytes.substr(2 + built.layout.segment.size());
    PutU16(expected, 4, uint16_t(after.ExifSegment.Size - 2), true);
    PutU32(expected, 2 + built.layout.lengthValueAt, uint32_t(fresh.size()), bigEndian);
    EXPECT_EQ(after.Bytes(), expected);
  }
}

TEST(Thumbnail, ExifBlockBeyond65535BytesIsRefusedAndTheFileKept) {
  TempDir dir, temporary;
  std::string tiny = SmallThumbnail(1);
  // Fill the block to 20 bytes below the limit: a quality-80 thumbnail is larger.
  size_t padding = 0xFFFF - 20 - test::ExifApp1WithThumbnail(tiny, true).segment.size() + 2;
  BuiltFile built = PhotoWithThumbnail(true, tiny, 6, padding);
  auto path = dir / "full.jpg";
  test::WriteBytes(path, built.bytes);
  TJpegObject object(path, false);
  ASSERT_EQ(object.ExifSegment.Size, 0xFFFF - 20 + 2);
  try {
    object.RestoreThumbnail();
    ADD_FAILURE() << "an EXIF block over 65,535 bytes was written";
  } catch (const FileError& error) {
    EXPECT_NE(error.reason().find("65,535"), std::string::npos);
  }
  EXPECT_EQ(test::ReadBytes(path), built.bytes);
  EXPECT_EQ(object.Bytes(), built.bytes);
  EXPECT_TRUE(temporary.List().empty());
}

// The regeneration in memory gives exactly the bytes that the saving one
// writes, and writes nothing itself; a refused one keeps the bytes held.
TEST(Thumbnail, RegenerationInMemoryMatchesTheSavedOne) {
  TempDir dir, temporary;
  BuiltFile built = PhotoWithThumbnail(false, SmallThumbnail(100));
  auto path = dir / "built.jpg";
  test::WriteBytes(path, built.bytes);
  TJpegObject inMemory(path, false);
  ASSERT_EQ(inMemory.RegenerateThumbnail(), TJpegObject::ThumbnailRefresh::Replaced);
  EXPECT_EQ(test::ReadBytes(path), built.bytes);
  EXPECT_TRUE(TJpegObject(path, false).RestoreThumbnail());
  EXPECT_EQ(inMemory.Bytes(), test::ReadBytes(path));

}

// When no new thumbnail fits into a full EXIF block, the old one is removed
// rather than left showing a picture the file no longer holds. The old one
// here is only the headers a size is read from, smaller than any real one.
TEST(Thumbnail, ANewThumbnailThatCannotFitRemovesTheOldOne) {
  TempDir dir;
  const TJpegObject small(SmallThumbnail(50), fs::path("thumbnail"));
  std::string headers;
  for (const TJpegSegment& segment : small.Segments)
    if (segment.Marker == TJpegObject::kSoi || segment.Marker == 0xFFC0 || segment.Marker == TJpegObject::kSos)
      headers += small.ReadBytes(segment.Size, segment.Offset);
  headers += "\xFF\xD9";
  const size_t padding = 0xFFFF - (test::ExifApp1WithThumbnail(headers, true).segment.size() - 2);
  auto path = dir / "full.jpg";
  test::WriteBytes(path, PhotoWithThumbnail(true, headers, 6, padding).bytes);
  TJpegObject full(path, false);
  ASSERT_EQ(full.GetThumbnailBytes(), headers);
  EXPECT_EQ(full.RegenerateThumbnail(), TJpegObject::ThumbnailRefresh::Removed);
  const TJpegObject reread(full.Bytes(), path);
  EXPECT_TRUE(reread.GetThumbnailBytes().empty());
  EXPECT_FALSE(reread.GetThumbnailImage());
}

TEST(Thumbnail, UncompressedOrMissingThumbnailIsNotReplaced) {
  TempDir dir;
  BuiltFile built = PhotoWithThumbnail(false, std::string(400, '\x7F'), 1);
  auto path = dir / "raw.jpg";
  test::WriteBytes(path, built.bytes);
  TJpegObject object(path, false);
  EXPECT_FALSE(object.ThumbIsJpeg);
  EXPECT_EQ(object.GetThumbnailBytes(), "");
  EXPECT_FALSE(object.GetThumbnailImage());
  object.FillExifLists();
  EXPECT_FALSE(object.ThumbList.Names.empty());
  EXPECT_FALSE(object.RestoreThumbnail());
  EXPECT_EQ(test::ReadBytes(path), built.bytes);

  auto plain = dir / "plain.jpg";
  test::WriteBytes(plain, test::MakeJpeg());
  EXPECT_FALSE(RestoreThumbnailOfFile(plain, false));
  EXPECT_EQ(test::ReadBytes(plain), test::MakeJpeg());
}

// Data after the thumbnail that an offset points at (a maker note's preview,
// as Nikon stores it) stays where it is: a new thumbnail that fits takes the
// old one's place (the rest cleared), a larger one goes to the end of the
// block; the picture after the block is untouched either way.
TEST(Thumbnail, DataAfterTheThumbnailNeverMoves) {
  TempDir dir;
  const std::string preview = "PREVIEW" + test::MakeJpeg({.width = 64, .height = 48, .writeJfif = false});
  for (bool bigEndian : {true, false}) {
    for (int oldQuality : {100, 1}) {
      const std::string old = SmallThumbnail(oldQuality);
      const BuiltFile built = PhotoWithThumbnail(bigEndian, old, 6, 0, preview);
      const auto path = dir / "nikon.jpg";
      test::WriteBytes(path, built.bytes);
      ASSERT_TRUE(TJpegObject(path, false).RestoreThumbnail());
      const TJpegObject after(path, false);
      const size_t previewAt = 2 + built.layout.thumbnailAt + old.size();
      EXPECT_EQ(after.Bytes().substr(previewAt, preview.size()), preview) << oldQuality;
      ExpectLengthsMatch(after);
      ExpectBaselineWithoutApp0(after.GetThumbnailBytes(), 160, 120);
      EXPECT_EQ(after.ThumbDataOffset > int64_t(previewAt), oldQuality == 1) << "a larger one goes to the end";
      EXPECT_EQ(after.Bytes().substr(size_t(after.ExifSegment.Offset + after.ExifSegment.Size)),
                built.bytes.substr(2 + built.layout.segment.size()));
    }
  }
}

// The new thumbnail is made in memory: no scratch file anywhere, not even
// in the system's temporary folder, which a killed run would leave behind.
TEST(Thumbnail, RegenerationMakesNoScratchFile) {
  TempDir dir, temporary;
  BuiltFile built = PhotoWithThumbnail(true, SmallThumbnail(50));
  auto path = dir / "built.jpg";
  test::WriteBytes(path, built.bytes);
  const char* own = std::getenv("TMPDIR");
  const std::string saved = own ? own : "";
  ::setenv("TMPDIR", temporary.path().c_str(), 1);
  EXPECT_TRUE(TJpegObject(path, false).RestoreThumbnail());
  own ? ::setenv("TMPDIR", saved.c_str(), 1) : ::unsetenv("TMPDIR");
  EXPECT_TRUE(temporary.List().empty());
  EXPECT_EQ(dir.List(), std::vector<std::string>{"built.jpg"});
  EXPECT_NE(test::ReadBytes(path), built.bytes);
}

TEST(Thumbnail, MakeThumbnailFileWritesAScaledBaselineJpeg) {
  TempDir dir;
  auto path = dir / "picture.jpg";
  test::WriteBytes(path, test::MakeJpeg({.width = 300, .height = 200}));
  TJpegObject object(path, false);
  object.MakeThumbnailFile(dir / "small.jpg", 160, 80);
  ExpectBaselineWithoutApp0(test::ReadBytes(dir / "small.jpg"), 160, 106);
}

// A 3264 × 2448 camera photo given a 160 × 120 thumbnail by exiftool, then
// regenerated, rotated and regenerated again.
TEST(Thumbnail, CameraPhotoBeforeAndAfterRotation) {
  if (!test::HaveProgram("exiftool") || !test::HaveProgram("jpegtran")) GTEST_SKIP() << "exiftool/jpegtran missing";
  TempDir dir, temporary;
  auto path = dir / "photo.jpg";
  test::WriteBytes(path, test::CameraPhoto(640, 480));
  test::WriteBytes(dir / "old.jpg", SmallThumbnail(95));
  ASSERT_EQ(test::Run({"exiftool", "-q", "-overwrite_original", "-ThumbnailImage<=" + (dir / "old.jpg").string(),
                       path.string()}).exitCode, 0);
  fs::remove(dir / "old.jpg");
  auto before = fs::last_write_time(path) - std::chrono::hours(1) + std::chrono::nanoseconds(987654321);
  fs::last_write_time(path, before);
  const std::string original = test::ReadBytes(path);
  TJpegObject loaded(path, true);
  const TJpegSegment oldExif = loaded.ExifSegment;

  ASSERT_TRUE(loaded.RestoreThumbnail());
  EXPECT_EQ(fs::last_write_time(path), before);
  EXPECT_TRUE(temporary.List().empty());
  TJpegObject after(path, false);
  ExpectLengthsMatch(after);
  EXPECT_EQ(after.ExifSegment.Offset, oldExif.Offset);
  EXPECT_EQ(after.Bytes().substr(size_t(after.ExifSegment.Offset + after.ExifSegment.Size)),
            original.substr(size_t(oldExif.Offset + oldExif.Size)));
  auto size = SizeOf(after.GetThumbnailBytes());
  EXPECT_EQ(size.width, 160);
  EXPECT_EQ(size.height, 120);
  auto extracted = test::Run({"exiftool", "-b", "-ThumbnailImage", path.string()});
  EXPECT_EQ(extracted.out, after.GetThumbnailBytes());
  ExpectBaselineWithoutApp0(extracted.out, 160, 120);

  auto rotated = dir / "rotated.jpg";
  ASSERT_EQ(test::Run({"jpegtran", "-copy", "all", "-rotate", "90", "-outfile", rotated.string(), path.string()})
                .exitCode, 0);
  ASSERT_TRUE(RestoreThumbnailOfFile(rotated, false));
  TJpegObject turned(rotated, false);
  ExpectLengthsMatch(turned);
  size = SizeOf(turned.GetThumbnailBytes());
  EXPECT_EQ(size.width, 120);
  EXPECT_EQ(size.height, 160);
  ExpectBaselineWithoutApp0(test::Run({"exiftool", "-b", "-ThumbnailImage", rotated.string()}).out, 120, 160);
}

// Damaged EXIF blocks: regeneration succeeds with true lengths, declines, or
// reports an error; it never writes a broken file or leaves a temporary file.
TEST(Thumbnail, MutatedExifBlocksAreHandledSafely) {
  TempDir dir, temporary;
  const std::string original = test::CorpusBytes("exif-intel.jpg");
  const size_t app1Start = 2, app1Size = test::FirstPayload(original, 0xE1)->size() + 4;
  std::mt19937 random(99);
  int regenerated = 0;
  for (int round = 0; round < 30; ++round) {
    std::string mutated = original;
    for (int k = 0; k < 3; ++k) mutated[app1Start + 4 + random() % (app1Size - 4)] = char(random());
    auto path = dir / "mutated.jpg";
    test::WriteBytes(path, mutated);
    try {
      if (TJpegObject(path, false).RestoreThumbnail()) {
        ++regenerated;
        ExpectLengthsMatch(TJpegObject(path, false));
      } else {
        EXPECT_EQ(test::ReadBytes(path), mutated);
      }
    } catch (const FileError&) {
      EXPECT_EQ(test::ReadBytes(path), mutated);
    }
    EXPECT_TRUE(temporary.List().empty());
  }
  EXPECT_GT(regenerated, 0);
}

}  // namespace
}  // namespace pixaldo
