// The photo record: block size, summary texts and writing the IPTC fields.
#include <gtest/gtest.h>

#include "exif/ExifData.h"
#include "iptc/IptcData.h"
#include "photo_record/JpegBasicObject.h"
#include "support/ExifSizeBlock.h"
#include "support/LocaleScope.h"
#include "support/Corpus.h"
#include "support/TestSupport.h"

namespace pixaldo {
namespace {

using std::string_literals::operator""s;

// The block size of a file with these bytes.
std::pair<int, int> BlockSizeOf(const std::string& bytes) {
  test::TempDir dir;
  test::WriteBytes(dir / "b.jpg", bytes);
  TJpegBasicObject record(dir / "b.jpg");
  record.ReadBlockSize();
  return {record.BlockWidth, record.BlockHeight};
}

TEST(PhotoRecordBlockSize, FollowsTheFirstComponentsSampling) {
  struct Case {
    int h, v;
    bool progressive;
    std::pair<int, int> block;
  } cases[] = {
      {2, 2, false, {16, 16}}, {2, 1, false, {16, 8}}, {1, 2, false, {8, 16}},
      {1, 1, false, {16, 16}}, {2, 1, true, {16, 16}},  // not a baseline frame
  };
  for (const auto& c : cases) {
    test::JpegSpec spec;
    spec.hSampling = c.h;
    spec.vSampling = c.v;
    spec.progressive = c.progressive;
    EXPECT_EQ(BlockSizeOf(test::MakeJpeg(spec)), c.block) << c.h << "x" << c.v << (c.progressive ? " progressive" : "");
  }
  EXPECT_EQ(BlockSizeOf("not a jpeg"), std::make_pair(16, 16));
  // Damaged and cut files never read past their end.
  std::string jpeg = test::MakeJpeg({.hSampling = 2, .vSampling = 1});
  for (size_t n = 0; n < 700 && n < jpeg.size(); ++n) BlockSizeOf(jpeg.substr(0, n));
  EXPECT_EQ(BlockSizeOf("\xFF\xD8\xFF\xE0\0\0\xFF\xE0\0\0"s), std::make_pair(16, 16));
  // A frame header far behind large metadata segments is still found.
  std::vector<std::string> segments(5, test::Segment(0xE2, std::string(65000, 'x')));
  EXPECT_EQ(BlockSizeOf(test::InsertAfterSoi(jpeg, segments)), std::make_pair(16, 8));
}

TEST(PhotoRecordSummary, CameraFileTexts) {
  PIXALDO_NEEDS_SAMPLES();
  TJpegBasicObject record(test::TestData("cameras/iphone_hdr_NO.jpg"));
  record.ReadTags();
  EXPECT_EQ(record.ExifSummary.CameraMake, "Apple");
  EXPECT_EQ(record.ExifSummary.Dimensions, "3264 \xD7 2448");
  EXPECT_EQ(record.ExifSummary.IsoAndBias, "32 ISO;   1.3 EV");

  TJpegBasicObject nikon(test::TestData("cameras/Nikon_D70.jpg"));
  nikon.ReadTags();
  EXPECT_EQ(nikon.ExifSummary.IsoAndBias, "200 ISO;   -1.0 EV");
  EXPECT_EQ(nikon.ExifSummary.FocalLength, "100.00 mm");
  EXPECT_EQ(nikon.IptcFields.Category, "");

  // A maker entry described "Macro" with any value adds "; Macro".
  TJpegBasicObject fuji(test::TestData("cameras/Fujifilm_FinePix6900ZOOM.jpg"));
  fuji.ReadTags();
  ASSERT_FALSE(fuji.ImgData->ExifInfo->GetTagByDescription("Macro").Value.empty());
  EXPECT_EQ(fuji.ExifSummary.ExposureProgram, fuji.ImgData->ExifInfo->ValueOf("ExposureProgram") + "; Macro");
  TJpegBasicObject canon(test::TestData("cameras/Canon_40D.jpg"));
  canon.ReadTags();
  EXPECT_EQ(canon.ExifSummary.ExposureProgram, "Manual");
}

TEST(PhotoRecordSummary, IsoAndBiasRules) {
  struct Case {
    test::ExifSizeSpec exif;
    std::string expected;
  } cases[] = {
      {{.iso = 200, .biasNumerator = 0, .biasDenominator = 1}, "200 ISO;   0.0 EV"},
      {{.iso = 100, .biasNumerator = -1, .biasDenominator = 3}, "100 ISO;   -0.3 EV"},
      {{.iso = 100}, "100 ISO;    EV"},
      {{.biasNumerator = 1, .biasDenominator = 3}, ""},
  };
  for (const auto& c : cases) {
    test::TempDir dir;
    test::WriteBytes(dir / "e.jpg", test::InsertAfterSoi(test::MakeJpeg(), {test::ExifApp1WithSize(c.exif).segment}));
    TJpegBasicObject record(dir / "e.jpg");
    record.ReadTags();
    EXPECT_EQ(record.ExifSummary.IsoAndBias, c.expected);
    EXPECT_EQ(record.ExifSummary.Dimensions, "640 \xD7 480");
  }
  test::TempDir dir;
  test::WriteBytes(dir / "n.jpg", test::MakeJpeg());
  TJpegBasicObject bare(dir / "n.jpg");
  bare.ReadTags();
  EXPECT_EQ(bare.ExifSummary.Dimensions, "");
  EXPECT_EQ(bare.ExifSummary.IsoAndBias, "");
}

TEST(PhotoRecordSummary, RatioText) {
  EXPECT_EQ(TJpegBasicObject::RatioText(""), "");
  EXPECT_EQ(TJpegBasicObject::RatioText("-1/3"), "-0.3");
  EXPECT_EQ(TJpegBasicObject::RatioText("0/1"), "0.0");
  EXPECT_EQ(TJpegBasicObject::RatioText("4/3"), "1.3");
  EXPECT_EQ(TJpegBasicObject::RatioText("1/4"), "0.3");
  EXPECT_EQ(TJpegBasicObject::RatioText("-1/40"), "0.0");
  EXPECT_EQ(TJpegBasicObject::RatioText("1/0"), "");
  EXPECT_EQ(TJpegBasicObject::RatioText("2"), "");
  EXPECT_EQ(TJpegBasicObject::RatioText("a/b"), "");
  EXPECT_EQ(TJpegBasicObject::RatioText("1/3x"), "");
  test::DecimalSeparatorScope comma(',');
  EXPECT_EQ(TJpegBasicObject::RatioText("-1/3"), "-0,3");
}

TEST(PhotoRecordWrite, FieldsReplaceRemoveAndKeepTheRest) {
  test::TempDir dir;
  fs::path file = dir / "photo.jpg";
  using test::IptcDataset;
  const std::string keywords = IptcDataset(2, 25, "ExifTool") + IptcDataset(2, 25, "Test") + IptcDataset(2, 25, "IPTC");
  const std::string iptc = IptcDataset(2, 15, "Travel") + IptcDataset(2, 5, "Old") + keywords +
                           IptcDataset(2, 90, "Kingston") + IptcDataset(2, 120, "A witty caption");
  test::WriteBytes(file, test::InsertAfterSoi(test::MakeJpeg(), {test::IptcSegment(iptc)}));
  const std::string before = test::ReadBytes(file);
  TJpegBasicObject(file).WriteIptc({"X", "", "Příliš žluťoučký"});

  TJpegBasicObject record(file);
  record.ReadTags();
  EXPECT_EQ(record.IptcFields.Category, "X");
  EXPECT_EQ(record.IptcFields.ObjectName, "");
  EXPECT_EQ(record.IptcFields.ImageCaption, "Příliš žluťoučký");
  TIPTCdata& list = *record.ImgData->IptcInfo;
  EXPECT_EQ(list.LookupIndex("ObjectName"), -1);
  EXPECT_EQ(list.ValueOf("Keywords", ""), "ExifTool,Test,IPTC");
  EXPECT_EQ(list.ValueOf("City", ""), "Kingston");
  EXPECT_EQ(test::PictureData(test::ReadBytes(file)), test::PictureData(before));
}

TEST(PhotoRecordWrite, FileWithoutApp13GetsOne) {
  test::TempDir dir;
  fs::path file = dir / "photo.jpg";
  test::WriteBytes(file, test::InsertAfterSoi(test::MakeJpeg(), {test::Segment(0xFE, "a comment")}));
  const std::string before = test::ReadBytes(file);
  TJpegBasicObject(file).WriteIptc({"", "Title", ""});
  TJpegBasicObject record(file);
  record.ReadTags();
  ASSERT_TRUE(record.ImgData->HasIptc());
  EXPECT_EQ(record.IptcFields.ObjectName, "Title");
  EXPECT_EQ(record.ImgData->IptcInfo->Count(), 1);
  EXPECT_EQ(test::PictureData(test::ReadBytes(file)), test::PictureData(before));
  EXPECT_TRUE(record.ImgData->HasComment());  // the comment stays too
}

TEST(PhotoRecord, MissingFileIsAnError) {
  test::TempDir dir;
  EXPECT_THROW(TJpegBasicObject(dir / "gone.jpg"), FileError);
}

}  // namespace
}  // namespace pixaldo
