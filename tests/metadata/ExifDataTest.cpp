// The container's segment scan and the EXIF directory walk on hand-made files.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>

#include "exif/ExifData.h"
#include "support/ExifBuilder.h"
#include "support/TestSupport.h"

namespace pixaldo {
namespace {

using std::string_literals::operator""s;
using test::Segment;
using test::TiffBuilder;
using test::TiffEntry;

class ExifDataTest : public ::testing::Test {
 protected:
  // Writes the bytes as a file of that name and reads it.
  std::unique_ptr<TimgData> Read(const std::string& bytes, const std::string& name = "photo.jpg") {
    test::WriteBytes(dir_ / name, bytes);
    auto data = std::make_unique<TimgData>(255);
    lastResult_ = data->ReadFile(dir_ / name);
    return data;
  }
  std::unique_ptr<TimgData> ReadExif(const TiffBuilder& tiff) {
    return Read(test::JpegWithSegments({tiff.ExifSegment()}));
  }
  test::TempDir dir_;
  bool lastResult_ = false;
};

// IFD0 at offset 8 with an Orientation entry (beginning at offset 10) and a
// 12-byte description stored at offset 416.
TiffBuilder PositionBlock(bool bigEndian) {
  TiffBuilder tiff(bigEndian);
  auto description = tiff.Ascii(0x010E, "Eleven char");
  description.valueOffset = 416;
  tiff.Directory(8, {tiff.Short(0x0112, 1), description});
  return tiff;
}

TEST_F(ExifDataTest, ValuePositionsCountFromTheSegmentLengthField) {
  for (bool bigEndian : {false, true}) {
    auto data = ReadExif(PositionBlock(bigEndian));
    ASSERT_TRUE(lastResult_);
    ASSERT_TRUE(data->HasExif());
    const TImageInfo& info = *data->ExifInfo;
    EXPECT_EQ(info.BigEndian, bigEndian);
    TTagEntry orientation = info.GetTagByName("Orientation");
    EXPECT_EQ(orientation.ValuePos, 27);  // 10 + 9 + 8
    EXPECT_EQ(orientation.Value, "Normal");
    TTagEntry description = info.GetTagByName("ImageDescription");
    EXPECT_EQ(description.ValuePos, 425);
    EXPECT_EQ(description.RawValue, "Eleven char\0"s);
    EXPECT_EQ(description.MaxSize, 12);
    EXPECT_EQ(description.ValueType, 2);
    EXPECT_EQ(description.Value, "Eleven char");
    EXPECT_EQ(data->ExifSegment->Bytes.substr(424, 11), "Eleven char");
    EXPECT_EQ(data->ErrorText, "<none>");
  }
}

TEST_F(ExifDataTest, TiffFileOffsetsLieSevenBeforeTheirPosition) {
  TiffBuilder tiff = PositionBlock(true);
  auto data = Read(tiff.Block(), "picture.TIF");
  ASSERT_TRUE(lastResult_);
  EXPECT_FALSE(data->IsTiff);  // only while reading
  ASSERT_TRUE(data->ExifInfo);
  EXPECT_TRUE(data->ExifInfo->IsTiff);
  EXPECT_EQ(data->ExifInfo->GetTagByName("ImageDescription").ValuePos, 409);
  EXPECT_EQ(data->ExifInfo->GetTagByName("Orientation").ValuePos, 11);
  EXPECT_EQ(data->ExifInfo->ThumbStart, 0);  // no thumbnail in TIFF files
}

TEST_F(ExifDataTest, TiffFileWithItsDirectoryAtTheEndIsReadFromThere) {
  TiffBuilder tiff(false, 300);
  tiff.Bytes(8, std::string(292, 'x'));  // picture data where a directory is often assumed
  tiff.Directory(300, {tiff.Long(0x0100, 174), tiff.Ascii(0x010F, "Maker")});
  auto data = Read(tiff.Block(), "p.tiff");
  ASSERT_TRUE(lastResult_);
  EXPECT_EQ(data->ExifInfo->Width, 174);
  EXPECT_EQ(data->ExifInfo->CameraMake, "Maker");
  EXPECT_EQ(data->ExifInfo->Count(), 2);

  Read("XX*\0\0\0\0\0"s, "bad.nef");
  EXPECT_FALSE(lastResult_);
}

TEST_F(ExifDataTest, FirstDirectoryOffsetZeroMeansOffsetEight) {
  TiffBuilder tiff(false, 0);
  tiff.Directory(8, {tiff.Ascii(0x010F, "Canon"), tiff.Ascii(0x0110, "Model X")});
  auto data = ReadExif(tiff);
  EXPECT_EQ(data->ExifInfo->CameraMake, "Canon");
  EXPECT_EQ(data->ExifInfo->CameraModel, "Model X");
}

TEST_F(ExifDataTest, EmptyAndUnknownTypedEntriesAreNotListed) {
  TiffBuilder tiff;
  tiff.Directory(8, {{0x010F, 2, 0, ""}, {0x0110, 13, 1, "abcd"}, {0xBEEF, 3, 1, tiff.U16(1)},
                     tiff.Ascii(0x0131, "Editor")});
  auto data = ReadExif(tiff);
  const TImageInfo& info = *data->ExifInfo;
  EXPECT_EQ(info.LookupIndex("Make"), -1);
  EXPECT_EQ(info.LookupIndex("Model"), -1);
  ASSERT_EQ(info.Count(), 1);
  EXPECT_EQ(info.Tags[0].Name, "Software");
}

TEST_F(ExifDataTest, SummaryFieldsAndTheLastWidthWins) {
  TiffBuilder tiff;
  const uint32_t exifDir = 200;
  tiff.Directory(8, {tiff.Long(0x0100, 100), tiff.Short(0x0101, 80), tiff.Ascii(0x010F, std::string(40, 'M')),
                     tiff.Ascii(0x0132, "2001:02:03 04:05:06 and more"), tiff.Long(0x8769, exifDir)});
  tiff.Directory(exifDir, {tiff.Undefined(0x9000, "0221"), tiff.Long(0xA002, 640), tiff.Short(0xA003, 480)});
  auto data = ReadExif(tiff);
  const TImageInfo& info = *data->ExifInfo;
  EXPECT_EQ(info.Width, 640);
  EXPECT_EQ(info.Height, 480);
  EXPECT_EQ(info.WidthPos, int(exifDir + 2 + 12 * 1 + 9 + 8));
  EXPECT_EQ(info.HeightPos, int(exifDir + 2 + 12 * 2 + 9 + 8));
  EXPECT_EQ(info.CameraMake, std::string(32, 'M'));
  EXPECT_EQ(info.DateTime, "2001:02:03 04:05:06 ");
  EXPECT_EQ(info.ExifVersion, "0221");
  // The sub-directory's entries come before the entry that points to it.
  std::vector<std::string> names;
  for (const auto& t : info.Tags) names.push_back(t.Name);
  EXPECT_EQ(names, (std::vector<std::string>{"ImageWidth", "ImageLength", "Make", "DateTime", "ExifVersion",
                                             "ExifImageWidth", "ExifImageLength", "ExifOffset"}));
}

TEST_F(ExifDataTest, ThumbnailDirectoryStartLengthAndEntries) {
  TiffBuilder tiff;
  const uint32_t ifd1 = 100;
  tiff.Directory(8, {tiff.Short(0x0112, 1)}, ifd1);
  tiff.Directory(ifd1, {tiff.Short(0x0103, 6), tiff.Long(0x0201, 400), tiff.Long(0x0202, 300)});
  tiff.Bytes(400, std::string(300, '\x55'));
  auto data = ReadExif(tiff);
  TImageInfo& info = *data->ExifInfo;
  const int length = int(data->ExifSegment->Length);
  EXPECT_EQ(length, int(tiff.Block().size()) + 8);
  EXPECT_EQ(info.ThumbStart, int(ifd1));
  EXPECT_EQ(info.ThumbLength, 9 + (length - 6) - int(ifd1));
  ASSERT_TRUE(data->HasThumbnail());
  EXPECT_EQ(info.ThumbCount(), 0);
  EXPECT_EQ(info.LookupIndex("Compression"), -1);  // IFD1 is not part of the main list

  info.ParseThumbnail();
  ASSERT_EQ(info.ThumbCount(), 3);
  TTagEntry entry;
  info.ResetThumbCursor();
  ASSERT_TRUE(info.NextThumbTag(0, entry));
  EXPECT_EQ(entry.Value, "Jpeg");
  ASSERT_TRUE(info.NextThumbTag(0, entry));
  EXPECT_EQ(entry.Value, "400");
  ASSERT_TRUE(info.NextThumbTag(0, entry));
  EXPECT_EQ(entry.Value, "300");
  EXPECT_EQ(entry.ValuePos, int(ifd1 + 2 + 24 + 9 + 8));
  EXPECT_FALSE(info.NextThumbTag(0, entry));
  EXPECT_EQ(entry.Dataset, 0);

  info.ParseThumbnail();  // a second walk lists the entries again
  EXPECT_EQ(info.ThumbCount(), 6);
}

TEST_F(ExifDataTest, ThumbnailLinkFromTheExifDirectoryAndNoThumbnail) {
  TiffBuilder tiff;
  tiff.Directory(8, {tiff.Long(0x8769, 40)}, 0);
  tiff.Directory(40, {tiff.Short(0xA002, 1)}, 600);
  tiff.Bytes(600, std::string(10, '\0'));
  auto data = ReadExif(tiff);
  EXPECT_EQ(data->ExifInfo->ThumbStart, 600);
  EXPECT_FALSE(data->HasThumbnail());  // only a few bytes follow it

  TiffBuilder none;
  none.Directory(8, {none.Short(0x0112, 1)}, 0);
  none.Bytes(30, std::string(1000, '\0'));
  auto empty = ReadExif(none);
  EXPECT_EQ(empty->ExifInfo->ThumbStart, 0);
  EXPECT_FALSE(empty->HasThumbnail());
}

TEST_F(ExifDataTest, DirectoryCyclesAndDeepChainsEnd) {
  TiffBuilder loop;
  loop.Directory(8, {loop.Short(0x0112, 1), loop.Long(0x8769, 8)});  // points to itself
  auto data = ReadExif(loop);
  EXPECT_EQ(data->ExifInfo->Count(), 2);

  TiffBuilder pair;  // two directories pointing at each other
  pair.Directory(8, {pair.Short(0x0112, 1), pair.Long(0x8769, 100)});
  pair.Directory(100, {pair.Short(0x0128, 2), pair.Long(0xA005, 8)});
  data = ReadExif(pair);
  EXPECT_EQ(data->ExifInfo->Count(), 4);

  TiffBuilder chain;  // twelve directories, each pointing to the next
  for (uint32_t i = 0; i < 12; ++i) chain.Directory(8 + 40 * i, {chain.Short(0x0112, 1), chain.Long(0x8769, 48 + 40 * i)});
  data = ReadExif(chain);
  int orientations = 0;
  for (const auto& t : data->ExifInfo->Tags) orientations += t.Name == "Orientation";
  EXPECT_EQ(orientations, 9);  // IFD0 and eight levels below it
}

TEST_F(ExifDataTest, ManyLinksToOneDirectoryWalkItOnce) {
  TiffBuilder tiff;
  const uint32_t n = 1500, x = 8 + 2 + 12 * n + 4, y = x + 2 + 12 * n + 4;
  tiff.Directory(8, std::vector<TiffEntry>(n, tiff.Long(0x8769, x)));
  tiff.Directory(x, std::vector<TiffEntry>(n, tiff.Long(0xA005, y)));
  tiff.Directory(y, std::vector<TiffEntry>(n, tiff.Short(0x0112, 1)));
  auto data = ReadExif(tiff);
  EXPECT_EQ(data->ExifInfo->Count(), int(3 * n));
}

TEST_F(ExifDataTest, HugeValuesRepeatedManyTimesStayWithinALimit) {
  TiffBuilder tiff;
  TiffEntry big = tiff.Ascii(0x010E, std::string(60000, 'v'));
  big.valueOffset = 60000;
  tiff.Directory(8, std::vector<TiffEntry>(1500, big));
  auto data = Read(tiff.Block(), "big.tif");
  ASSERT_TRUE(data->ExifInfo);
  size_t kept = 0;
  for (const auto& t : data->ExifInfo->Tags) kept += t.RawValue.size();
  EXPECT_GT(data->ExifInfo->Count(), 100);
  EXPECT_LE(kept, size_t(64) << 20);
}

TEST_F(ExifDataTest, FieldsAndValuesOutsideTheBlockAreSkipped) {
  TiffBuilder tiff;
  tiff.Directory(8, {tiff.Ascii(0x010F, "Before"), {0x010E, 2, 20, "", 0}, {0x0131, 2, 0x7FFFFFFF, "x"},
                     tiff.Long(0x8769, 0xFFFFFF00), tiff.Long(0x8825, 5000), tiff.Ascii(0x0110, "After")});
  // Point the 20-byte description far outside the block.
  TiffBuilder patched = tiff;
  patched.Bytes(8 + 2 + 12 + 8, tiff.U32(60000));
  auto data = ReadExif(patched);
  const TImageInfo& info = *data->ExifInfo;
  EXPECT_EQ(info.CameraMake, "Before");
  EXPECT_EQ(info.CameraModel, "After");
  EXPECT_EQ(info.LookupIndex("ImageDescription"), -1);
  EXPECT_EQ(info.LookupIndex("Software"), -1);
}

TEST_F(ExifDataTest, OversizedDirectoryIsSkippedWithItsStatus) {
  TiffBuilder tiff;
  tiff.Directory(8, {tiff.Ascii(0x010F, "Make"), tiff.Long(0x8769, 60)});
  tiff.Bytes(60, tiff.U16(5000));
  std::istringstream in(test::JpegWithSegments({tiff.ExifSegment()}));
  TimgData data(255);
  data.ErrorText = "Not an EXIF file";
  ASSERT_TRUE(data.ReadJpegSegments(in));
  EXPECT_EQ(data.ErrorText, "Illegally sized directory");
  EXPECT_EQ(data.ExifInfo->CameraMake, "Make");
}

TEST_F(ExifDataTest, HeaderStatusTexts) {
  TiffBuilder tiff;
  tiff.Directory(8, {tiff.Ascii(0x010F, "Make")});
  std::string wrongOrder = tiff.ExifSegment();
  wrongOrder[10] = 'X';
  const std::pair<std::string, const char*> cases[] = {
      {Segment(0xE1, "Exif"s), "Incorrect Exif header"},
      {wrongOrder, "Invalid Exif alignment marker"},
  };
  for (const auto& [segment, status] : cases) {
    std::istringstream in(test::JpegWithSegments({segment}));
    TimgData data(255);
    EXPECT_TRUE(data.ReadJpegSegments(in));
    EXPECT_TRUE(data.HasExif());
    EXPECT_EQ(data.ErrorText, status);
    EXPECT_EQ(data.ExifInfo->Count(), 0);
  }
}

TEST_F(ExifDataTest, ExifIsFoundBehindAnXmpSegment) {
  TiffBuilder tiff;
  tiff.Directory(8, {tiff.Ascii(0x010F, "Canon")});
  const std::string xmp = Segment(0xE1, "http://ns.adobe.com/xap/1.0/\0<x:xmpmeta/>"s);
  auto data = Read(test::JpegWithSegments({xmp, Segment(0xE1, "other"s), tiff.ExifSegment()}));
  EXPECT_TRUE(lastResult_);
  ASSERT_TRUE(data->HasExif());
  ASSERT_TRUE(data->HasXmp());
  EXPECT_EQ(data->ExifInfo->CameraMake, "Canon");
  EXPECT_EQ(data->XmpPacketText(), "<x:xmpmeta/>");
  EXPECT_EQ(data->ErrorText, "<none>");
}

TEST_F(ExifDataTest, ExifIsOnlyFoundAmongTheFirstFiveSegments) {
  TiffBuilder tiff;
  tiff.Directory(8, {tiff.Ascii(0x010F, "Canon")});
  const std::string other = Segment(0xE2, "other");
  const std::string comment = Segment(0xFE, "note");

  auto fifth = Read(test::JpegWithSegments({other, other, other, other, tiff.ExifSegment()}));
  EXPECT_FALSE(lastResult_);
  EXPECT_FALSE(fifth->HasExif());
  // The scan goes on for IPTC, XMP and comments only.
  auto late = Read(test::JpegWithSegments({other, other, other, other, tiff.ExifSegment(), comment}));
  EXPECT_TRUE(lastResult_);
  EXPECT_FALSE(late->HasExif());
  EXPECT_EQ(late->GetComment(), "note");

  auto fifthAfterComment = Read(test::JpegWithSegments({comment, other, other, other, tiff.ExifSegment()}));
  EXPECT_TRUE(lastResult_);
  ASSERT_TRUE(fifthAfterComment->HasExif());
  EXPECT_EQ(fifthAfterComment->ExifInfo->CameraMake, "Canon");

  auto sixth = Read(test::JpegWithSegments({comment, other, other, other, other, tiff.ExifSegment(), comment}));
  EXPECT_TRUE(lastResult_);
  EXPECT_FALSE(sixth->HasExif());
  EXPECT_TRUE(sixth->HasComment());
}

TEST_F(ExifDataTest, AtMostTwentySegmentsAreStored) {
  std::vector<std::string> segments{Segment(0xFE, "first")};
  for (int i = 0; i < 30; ++i) segments.push_back(Segment(0xE3, "x" + std::to_string(i)));
  segments.push_back(Segment(0xFE, "last"));
  auto data = Read(test::JpegWithSegments(segments));
  EXPECT_TRUE(lastResult_);
  EXPECT_EQ(data->SectionCount(), 20);
  EXPECT_EQ(data->GetComment(), "first");
}

TEST_F(ExifDataTest, CommentOnlyFileAndLastSegmentsWin) {
  auto data = Read(test::JpegWithSegments({Segment(0xE0, "JFIF\0one"s), Segment(0xFE, "old"),
                                           Segment(0xE0, "JFIF\0two"s), Segment(0xFE, "Ahoj světe")}));
  EXPECT_TRUE(lastResult_);
  EXPECT_FALSE(data->HasExif());
  EXPECT_FALSE(data->HasIptc());
  EXPECT_FALSE(data->HasThumbnail());
  ASSERT_TRUE(data->HasComment());
  EXPECT_EQ(data->GetComment(), "Ahoj světe");
  EXPECT_EQ(data->JfifSegment->Bytes.substr(2), "JFIF\0two"s);
  EXPECT_EQ(data->JfifSegment->Marker, 0xE0u);
  EXPECT_EQ(data->ErrorText, "<none>");
}

TEST_F(ExifDataTest, SegmentLengthBelowTwoEndsTheScan) {
  std::string jpeg = test::JpegWithSegments({Segment(0xFE, "kept")});
  jpeg.insert(2, "\xFF\xE2\x00\x01\xFF\xFE\x00\x06late"s);
  auto data = Read(jpeg);
  EXPECT_FALSE(lastResult_);
  EXPECT_FALSE(data->HasComment());
  EXPECT_EQ(data->SectionCount(), 0);
}

TEST_F(ExifDataTest, FileKindsByExtensionAndStart) {
  const std::string jpeg = test::JpegWithSegments({Segment(0xFE, "c")});
  for (const char* name : {"a.JPG", "b.jpeg", "c.Jpe"}) {
    auto data = Read(jpeg, name);
    EXPECT_TRUE(lastResult_) << name;
    EXPECT_GT(data->FileSize, 0);
    EXPECT_EQ(data->FileName.filename(), name);
  }
  auto png = Read(jpeg, "d.png");
  EXPECT_FALSE(lastResult_);
  EXPECT_EQ(png->SectionCount(), 0);
  EXPECT_EQ(png->ErrorText, "Not an EXIF file");

  auto notJpeg = Read("\xFF\xD9" + jpeg.substr(2), "e.jpg");
  EXPECT_FALSE(lastResult_);
  EXPECT_EQ(notJpeg->ErrorText, "Not an EXIF file");

  TimgData missing(255);
  EXPECT_FALSE(missing.ReadFile(dir_ / "missing.jpg"));
  EXPECT_EQ(missing.ErrorText, "");
}

TEST_F(ExifDataTest, TruncatedExifSegmentKeepsWhatCameFromTheFile) {
  TiffBuilder tiff;
  auto description = tiff.Ascii(0x010E, std::string(100, 'd'));
  tiff.Directory(8, {tiff.Ascii(0x010F, "Make"), description});
  std::string jpeg = test::JpegWithSegments({tiff.ExifSegment()});
  jpeg.resize(4 + 8 + 60);  // ends inside the description's value
  auto data = Read(jpeg);
  EXPECT_TRUE(lastResult_);
  ASSERT_TRUE(data->HasExif());
  EXPECT_EQ(data->ExifInfo->CameraMake, "Make");
  EXPECT_EQ(data->ExifInfo->LookupIndex("ImageDescription"), -1);
}

TEST_F(ExifDataTest, LookupsCursorsAndNumbers) {
  TiffBuilder tiff;
  std::string comment = "ASCII\0\0\0"s + " Hello there \x01X"s;
  tiff.Directory(8, {tiff.Ascii(0x010F, "Make"), tiff.Rational(0x829D, 7, 2), tiff.Rational(0x920A, 5, 2),
                     tiff.Undefined(0x9286, comment), tiff.Short(0x0112, 3)});
  auto data = ReadExif(tiff);
  TImageInfo& info = *data->ExifInfo;
  EXPECT_EQ(info.LookupIndex("fnumber"), 1);
  EXPECT_EQ(info.ValueOf("FNUMBER"), "F3.5");
  EXPECT_EQ(info.ValueOf("Nothing"), "");
  EXPECT_EQ(info.GetTagByName("Nothing").Dataset, 0);
  EXPECT_EQ(info.GetTagByDescription("focal length").Name, "FocalLength");
  EXPECT_EQ(info.LookupDescription("No such label"), -1);
  EXPECT_DOUBLE_EQ(info.NumberOf("FNumber"), 3.5);
  EXPECT_EQ(info.IntegerOf("FNumber"), 4);
  EXPECT_EQ(info.IntegerOf("FocalLength"), 2);  // halves go to the even neighbour
  EXPECT_EQ(info.NumberOf("Nothing"), 0);
  EXPECT_EQ(info.ValueOf("UserComment"), "Hello there");

  info.AddMakerTag("Macro mode", "On");
  TTagEntry empty;
  EXPECT_EQ(info.AddTag(empty), info.Count() - 1);  // Dataset 0 is refused
  EXPECT_EQ(info.Tags.back().Name, "Macro mode");

  TTagEntry entry;
  int generic = 0;
  info.ResetTagCursor();
  while (info.NextTag(0, entry)) ++generic;
  EXPECT_EQ(generic, info.Count() - 1);
  info.ResetTagCursor();
  ASSERT_TRUE(info.NextTag(1, entry));
  EXPECT_EQ(entry.Group, 1);
  EXPECT_EQ(entry.ValueType, 2);
  EXPECT_EQ(entry.Value, "On");
  EXPECT_FALSE(info.NextTag(1, entry));
  EXPECT_EQ(entry.Name, "");
}

TEST_F(ExifDataTest, ClearAndReuseForAnotherFile) {
  TiffBuilder tiff;
  tiff.Directory(8, {tiff.Ascii(0x010F, "Make")});
  TimgData data(255);
  test::WriteBytes(dir_ / "a.jpg", test::JpegWithSegments({tiff.ExifSegment()}));
  test::WriteBytes(dir_ / "b.jpg", test::JpegWithSegments({Segment(0xFE, "only")}));
  ASSERT_TRUE(data.ReadFile(dir_ / "a.jpg"));
  EXPECT_TRUE(data.HasExif());
  ASSERT_TRUE(data.ReadFile(dir_ / "b.jpg"));
  EXPECT_FALSE(data.HasExif());
  EXPECT_FALSE(data.ExifInfo);
  EXPECT_EQ(data.GetComment(), "only");
  data.Clear();
  EXPECT_EQ(data.SectionCount(), 0);
  EXPECT_FALSE(data.HasComment());
  EXPECT_EQ(data.FileSize, 0);
}

}  // namespace
}  // namespace pixaldo
