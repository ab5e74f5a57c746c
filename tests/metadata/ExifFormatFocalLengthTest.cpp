// The computed focal length on 35 mm film.
#include <gtest/gtest.h>

#include "exif/ExifData.h"
#include "exif/ExifFormat.h"
#include "exif/ExifTags.h"
#include "platform/ByteOrder.h"
#include "support/LocaleScope.h"

namespace pixaldo {
namespace {

class FocalLength35Test : public ::testing::Test {
 protected:
  FocalLength35Test() : info_(nullptr, 255) {
    info_.Width = 3000;
    info_.Height = 2000;
  }

  void Add(uint16_t tag, int type, const std::string& raw) {
    TTagEntry entry = FindTableRow(tag, MainDirectory);
    entry.RawValue = raw;
    entry.ValueType = uint16_t(type);
    entry.Value = DisplayText(entry, raw, type, false);
    info_.AddTag(entry);
  }
  void AddShort(uint16_t tag, uint16_t value) {
    std::string raw;
    AppendU16(raw, value, false);
    Add(tag, 3, raw);
  }
  void AddRational(uint16_t tag, uint32_t numerator, uint32_t denominator) {
    std::string raw;
    AppendU32(raw, numerator, false);
    AppendU32(raw, denominator, false);
    Add(tag, 5, raw);
  }
  // A 36 x 24 mm sensor at 3000 x 2000 pixels, resolutions in inches.
  void AddFullFrameCamera(uint32_t focalTenths) {
    AddRational(0x920A, focalTenths, 10);
    AddShort(0xA210, 2);
    AddRational(0xA20E, 3000 * 254, 360);  // 2116.67 per inch, read rounded: 2117
    AddRational(0xA20F, 2000 * 254, 240);
  }

  test::DecimalSeparatorScope point_{'.'};
  TImageInfo info_;
};

TEST_F(FocalLength35Test, ComputedFromFocalPlaneResolution) {
  AddFullFrameCamera(500);
  info_.AddFocalLength35();
  ASSERT_EQ(info_.Count(), 5);
  const TTagEntry& added = info_.Tags.back();
  EXPECT_EQ(added.Dataset, 0xA405);
  EXPECT_EQ(added.Name, "FocalLengthin35mmFilm");
  EXPECT_EQ(added.Description, "Focal Length in 35mm Film");
  EXPECT_EQ(added.Value, "50.01");
  EXPECT_EQ(added.FormatText, "%s mm");
  EXPECT_TRUE(added.RawValue.empty());
  EXPECT_EQ(info_.ValueOf("focallengthin35mmfilm"), "50.01");
}

TEST_F(FocalLength35Test, ShortValuesArePaddedAndUseTheUsersSeparator) {
  test::DecimalSeparatorScope comma(',');
  AddFullFrameCamera(95);
  info_.AddFocalLength35();
  EXPECT_EQ(info_.ValueOf("FocalLengthin35mmFilm"), " 9,50");
}

TEST_F(FocalLength35Test, ResolutionUnitStandsInForAMissingFocalPlaneUnit) {
  AddRational(0x920A, 50, 1);
  AddShort(0x0128, 3);  // centimetres: 10 mm per unit
  AddRational(0xA20E, 1000, 1);
  AddRational(0xA20F, 1000, 1);
  info_.AddFocalLength35();
  // Sensor 30 x 20 mm: diagonal 36.0555, factor 1.19999.
  EXPECT_EQ(info_.ValueOf("FocalLengthin35mmFilm"), "60.00");
}

TEST_F(FocalLength35Test, NothingAddedWithoutWhatItNeeds) {
  {
    SCOPED_TRACE("unit not convertible");
    AddRational(0x920A, 50, 1);
    AddShort(0xA210, 1);
    AddRational(0xA20E, 1000, 1);
    AddRational(0xA20F, 1000, 1);
    info_.AddFocalLength35();
    EXPECT_EQ(info_.LookupIndex("FocalLengthin35mmFilm"), -1);
  }
  TImageInfo noFocalLength(nullptr, 255);
  noFocalLength.Width = 3000;
  noFocalLength.Height = 2000;
  noFocalLength.AddFocalLength35();
  EXPECT_EQ(noFocalLength.Count(), 0);
}

TEST_F(FocalLength35Test, TheFilesOwnValueIsKept) {
  AddFullFrameCamera(500);
  AddShort(0xA405, 75);
  info_.AddFocalLength35();
  EXPECT_EQ(info_.Count(), 5);
  EXPECT_EQ(info_.ValueOf("FocalLengthin35mmFilm"), "75.00 mm");
}

}  // namespace
}  // namespace pixaldo
