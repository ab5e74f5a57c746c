// Writing a file from the container's kept segments and the picture stream.
#include <gtest/gtest.h>

#include "exif/ExifData.h"
#include "exif/ExifWrite.h"
#include "iptc/IptcData.h"
#include "platform/FileSystem.h"
#include "support/Corpus.h"
#include "support/ExifSizeBlock.h"
#include "support/ExifThumbnailBlock.h"
#include "support/TestSupport.h"

namespace pixaldo {
namespace {

using std::string_literals::operator""s;
using test::Segment;

const std::string kDefaultJfif = "\xFF\xE0\x00\x10JFIF\0\x01\x02\x01\x01\x2C\x01\x2C\0\0"s;

std::string App0() { return Segment(0xE0, "JFIF\0\x01\x01\0\0\x01\0\x01\0\0"s); }

// A picture without metadata segments, with the given ones put in front.
std::string JpegWith(const std::vector<std::string>& segments, test::JpegSpec spec = {}) {
  return test::InsertAfterSoi(test::StripMetadataSegments(test::MakeJpeg(spec)), segments);
}

// Saves the IPTC list with one field set, as the photo record does.
void SaveObjectName(const fs::path& file, const std::string& value) {
  TimgData data(255);
  data.ReadFile(file);
  data.ParseIptc();
  data.IptcInfo->SetValue("ObjectName", value);
  data.IptcInfo->SaveToFile(file, {});
}

// Writes a new comment, as the metadata window does.
void SaveComment(const fs::path& file, const std::string& text) {
  TimgData data(255);
  data.ReadFile(file);
  data.SetComment(text);
  data.SaveAs(file);
}

std::vector<std::string> SegmentsBeforeScan(const std::string& jpeg) {
  std::vector<std::string> found;
  size_t pos = 2;
  while (pos + 4 <= jpeg.size() && uint8_t(jpeg[pos]) == 0xFF && uint8_t(jpeg[pos + 1]) != 0xDA) {
    size_t length = uint8_t(jpeg[pos + 2]) << 8 | uint8_t(jpeg[pos + 3]);
    found.push_back(jpeg.substr(pos, 2 + length));
    pos += 2 + length;
  }
  return found;
}

size_t CountMarker(const std::string& jpeg, uint8_t marker) {
  size_t n = 0;
  for (const auto& s : SegmentsBeforeScan(jpeg)) n += uint8_t(s[1]) == marker;
  return n;
}

TEST(ExifWrite, IptcSaveWritesExifThenIptcAndDropsTheApp0) {
  test::TempDir dir;
  auto exif = test::ExifApp1WithSize({64, 48});
  std::string original = JpegWith({App0(), exif.segment});
  fs::path file = dir / "a.jpg";
  test::WriteBytes(file, original);
  SaveObjectName(file, "title");

  TIPTCdata expectedList(nullptr);
  expectedList.SetValue("ObjectName", "title");
  std::string expected = "\xFF\xD8"s + exif.segment + Segment(0xED, expectedList.BuildPayload()) +
                         original.substr(2 + App0().size() + exif.segment.size());
  EXPECT_EQ(test::ReadBytes(file), expected);
}

TEST(ExifWrite, CommentOnlyFileGetsTheDefaultJfifSegment) {
  test::TempDir dir;
  std::string original = JpegWith({Segment(0xFE, "old")});
  fs::path file = dir / "c.jpg";
  test::WriteBytes(file, original);
  SaveComment(file, "new");
  std::string expected = "\xFF\xD8"s + kDefaultJfif + Segment(0xFE, "new") + original.substr(2 + 7);
  EXPECT_EQ(test::ReadBytes(file), expected);
}

// The written comment is the only one before the picture data, wherever
// the old ones stood, so reading the file back gives it.
TEST(ExifWrite, TheWrittenCommentIsTheOnlyOne) {
  test::TempDir dir;
  TIPTCdata iptc(nullptr);
  iptc.SetValue("City", "Brno");
  std::string original =
      JpegWith({App0(), Segment(0xED, iptc.BuildPayload()), Segment(0xFE, "first"), Segment(0xFE, "second")});
  fs::path file = dir / "c.jpg";
  test::WriteBytes(file, original);
  SaveComment(file, "new");
  std::string written = test::ReadBytes(file);
  auto segments = SegmentsBeforeScan(written);
  ASSERT_GE(segments.size(), 3u);
  EXPECT_EQ(segments[0], App0());
  EXPECT_EQ(segments[1], Segment(0xED, iptc.BuildPayload()));
  EXPECT_EQ(segments[2], Segment(0xFE, "new"));
  EXPECT_EQ(CountMarker(written, 0xFE), 1u);
  EXPECT_EQ(test::PictureData(written), test::PictureData(original));
}

TEST(ExifWrite, PictureSizeIsCorrectedInTheEntrysOwnWidthAndOrder) {
  struct Case {
    bool bigEndian, wide;
    std::string widthBytes;
  } cases[] = {
      {false, false, "\xE0\x01"s},
      {true, false, "\x01\xE0"s},
      {false, true, "\xE0\x01\0\0"s},
      {true, true, "\0\0\x01\xE0"s},
  };
  for (const auto& c : cases) {
    test::TempDir dir;
    auto exif = test::ExifApp1WithSize({640, 48, c.bigEndian, c.wide});
    fs::path file = dir / "s.jpg";
    test::WriteBytes(file, JpegWith({exif.segment}, {.width = 480, .height = 48}));
    SaveObjectName(file, "x");
    std::string written = test::ReadBytes(file);
    EXPECT_EQ(written.substr(2 + exif.widthValueAt, c.widthBytes.size()), c.widthBytes);
    // The height already matched and stays.
    EXPECT_EQ(written.substr(2 + exif.heightValueAt, 2), exif.segment.substr(exif.heightValueAt, 2));

    // A plain SaveAs leaves the size as it is.
    fs::path kept = dir / "k.jpg";
    test::WriteBytes(kept, JpegWith({exif.segment}, {.width = 480, .height = 48}));
    SaveComment(kept, "c");
    EXPECT_EQ(test::ReadBytes(kept).substr(2, exif.segment.size()), exif.segment);
  }
}

using test::IptcDataset;
using test::ImageResource;
using test::PhotoshopSegment;

TEST(ExifWrite, ReplacedApp13BehindOtherSegmentsLeavesNoStaleCopy) {
  // The IPTC resource between a resolution and a digest resource, the APP13
  // behind EXIF and a comment; and a second APP13 with IPTC of its own.
  const std::string iptc = ImageResource(0x0404, IptcDataset(2, 5, "old title") + IptcDataset(2, 110, "Credit"));
  const std::string resolution = ImageResource(0x03ED, std::string(16, '\x01'));
  const std::string digest = ImageResource(0x0425, std::string(16, 'd'));
  const std::string exif = test::ExifApp1WithThumbnail(test::MakeJpeg({16, 16}), false).segment;
  const struct {
    const char* name;
    std::vector<std::string> segments;
  } cases[] = {
      {"iptc in the middle", {exif, Segment(0xFE, "c"), PhotoshopSegment(resolution + iptc + digest)}},
      {"two app13",
       {exif, PhotoshopSegment(resolution + iptc + digest), test::IptcSegment(IptcDataset(2, 5, "second"))}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::TempDir dir;
    fs::path file = dir / "photo.jpg";
    test::WriteBytes(file, JpegWith(c.segments));
    std::string original = test::ReadBytes(file);
    const std::vector<std::string> credits = [&] {
      TimgData before(255);
      before.ReadFile(file);
      before.ParseIptc();
      return before.IptcInfo->Record().Texts(2, 110);
    }();
    SaveObjectName(file, "t");
    std::string written = test::ReadBytes(file);
    // One segment carries what every one of them held.
    EXPECT_EQ(CountMarker(written, 0xED), 1u);
    EXPECT_EQ(test::PictureData(written), test::PictureData(original));
    TimgData data(255);
    data.ReadFile(file);
    data.ParseIptc();
    EXPECT_EQ(data.IptcInfo->ValueOf("ObjectName", ""), "t");
    EXPECT_EQ(data.IptcInfo->Record().Texts(2, 110), credits);
    EXPECT_FALSE(credits.empty());
    // The other resources of the old segment (resolution, slices ...) came along.
    EXPECT_NE(data.IptcSegment->Bytes.find("8BIM\x03\xED"s), std::string::npos);
    EXPECT_EQ(data.IptcSegment->Bytes.find("8BIM\x04\x25"s), std::string::npos);
  }
}

TEST(ExifWrite, RefusedWritesLeaveTheFileAlone) {
  test::TempDir dir;
  // A comment too long for one segment.
  fs::path file = dir.Make("exif-intel.jpg");
  std::string original = test::ReadBytes(file);
  EXPECT_THROW(SaveComment(file, std::string(70000, 'x')), FileError);
  EXPECT_EQ(test::ReadBytes(file), original);

  // IPTC data too long for one segment.
  TimgData iptc(255);
  iptc.ReadFile(file);
  iptc.ParseIptc();
  iptc.IptcInfo->SetValue("ImageCaption", std::string(65500, 'c'));
  EXPECT_THROW(iptc.IptcInfo->SaveToFile(file, {}), FileError);
  EXPECT_EQ(test::ReadBytes(file), original);

  // A name the reader does not scan as JPEG: its segments were never read.
  fs::path other = dir.Make("exif-intel.jpg", "picture.jfif");
  EXPECT_THROW(SaveComment(other, "c"), FileError);
  EXPECT_EQ(test::ReadBytes(other), original);

  // Not a JPEG file at all.
  fs::path text = dir / "text.jpg";
  test::WriteBytes(text, "plain text");
  EXPECT_THROW(SaveComment(text, "c"), FileError);
  EXPECT_EQ(test::ReadBytes(text), "plain text");
  EXPECT_EQ(dir.List(), (std::vector<std::string>{"exif-intel.jpg", "picture.jfif", "text.jpg"}));
}

TEST(ExifWrite, AWriteFailingAtAnyStepKeepsTheOriginal) {
  test::TempDir dir;
  fs::path file = dir.Make("exif-intel.jpg");
  const std::string original = test::ReadBytes(file);
  int failures = 0;
  for (int step = 1; step < 50; ++step) {
    FaultInjection::Reset();
    FaultInjection::FailAt(step);
    bool failed = false;
    try {
      SaveObjectName(file, "changed");
    } catch (const FileError& error) {
      failed = true;
      EXPECT_EQ(error.path(), file);
    }
    const bool afterRename = FaultInjection::FailedStep() == FaultInjection::Step::SyncFolder;
    FaultInjection::Reset();
    if (!failed) break;
    ++failures;
    if (afterRename) test::WriteBytes(file, original);  // the new file was in place; start again
    EXPECT_EQ(test::ReadBytes(file), original) << "step " << step;
    EXPECT_EQ(dir.List(), std::vector<std::string>{"exif-intel.jpg"}) << "step " << step;
  }
  EXPECT_GE(failures, 3);  // write, flush and rename each failed once
  TimgData data(255);
  data.ReadFile(file);
  data.ParseIptc();
  EXPECT_EQ(data.IptcInfo->ValueOf("ObjectName", ""), "changed");
}

TEST(ExifWrite, PictureIsTakenFromTheFrameHeaderWithoutDecoding) {
  test::TempDir dir;
  fs::path file = dir / "p.jpg";
  std::string jpeg = test::MakeJpeg({.width = 72, .height = 40});
  // Damage the compressed data: a decoder would complain, the writer must not care.
  jpeg[jpeg.size() - 10] ^= 0x55;
  test::WriteBytes(file, jpeg);
  JpegPicture picture = LoadJpegPicture(file);
  EXPECT_EQ(picture.Width, 72);
  EXPECT_EQ(picture.Height, 40);
  EXPECT_EQ(picture.Stream, jpeg);
  test::WriteBytes(file, jpeg.substr(0, 30));
  EXPECT_THROW(LoadJpegPicture(file), FileError);
  EXPECT_THROW(LoadJpegPicture(dir / "missing.jpg"), FileError);
}

TEST(ExifWrite, PictureStreamSkipStopsAtTheDataEnd) {
  EXPECT_EQ(PictureDataStart("\xFF\xD8"s), 2u);
  EXPECT_EQ(PictureDataStart("\xFF\xD8\xFF\xE0\x00"s), 2u);
  EXPECT_EQ(PictureDataStart("\xFF\xD8\xFF\xE0\x00\x40"s), 2u);  // longer than the stream
  std::string two = "\xFF\xD8"s + App0() + Segment(0xFE, "c") + "\xFF\xDB"s;
  EXPECT_EQ(PictureDataStart(two), two.size() - 2);
  std::string swapped = "\xFF\xD8"s + Segment(0xFE, "c") + App0();
  EXPECT_EQ(PictureDataStart(swapped), 2u + Segment(0xFE, "c").size());
}

}  // namespace
}  // namespace pixaldo
