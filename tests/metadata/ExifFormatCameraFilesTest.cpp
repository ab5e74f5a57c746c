// Display texts of real camera files, read through the container: the tag
// tables and formatting routines as the metadata window shows them.
#include <gtest/gtest.h>

#include "exif/ExifData.h"
#include "support/LocaleScope.h"
#include "support/TestSupport.h"

namespace pixaldo {
namespace {

class CameraFileTextsTest : public ::testing::Test {
 protected:
  TImageInfo& Read(const std::string& name) {
    EXPECT_TRUE(data_.ReadFile(test::TestData(name))) << name;
    EXPECT_NE(data_.ExifInfo, nullptr) << name;
    if (!data_.ExifInfo) throw std::runtime_error("no EXIF in " + name);
    return *data_.ExifInfo;
  }

  test::DecimalSeparatorScope point_{'.'};
  TimgData data_{255};
};

TEST_F(CameraFileTextsTest, CanonExposureTexts) {
  PIXALDO_NEEDS_SAMPLES();
  TImageInfo& info = Read("cameras/Canon_40D.jpg");
  EXPECT_EQ(info.ValueOf("ExposureTime"), "1/160 sec");
  EXPECT_EQ(info.ValueOf("FNumber"), "F7.1");
  EXPECT_EQ(info.ValueOf("ExposureProgram"), "Manual");
  EXPECT_EQ(info.ValueOf("ShutterSpeedValue"), "0.0060 sec (1/166)");
  EXPECT_EQ(info.ValueOf("MeteringMode"), "MultiSegment");
  EXPECT_EQ(info.ValueOf("Flash"), "On, forced");
  EXPECT_EQ(info.ValueOf("FocalLength"), "135.00 mm");
  EXPECT_EQ(info.ValueOf("ComponentsConfiguration"), "YCbCr");
  EXPECT_EQ(info.ValueOf("ExifVersion"), "\"0221\"");
  EXPECT_EQ(info.ValueOf("Orientation"), "Normal");
  EXPECT_EQ(info.ValueOf("YCbCrPositioning"), "Co-sited");
  EXPECT_EQ(info.ValueOf("FocalPlaneResolutionUnit"), "Inch");
  EXPECT_EQ(info.GetTagByName("ExposureBiasValue").Description, "Exposure Bias Value");
  // The sample was scaled down with its focal plane resolution kept, so the
  // computed equivalent is large; it comes last and carries no unit.
  ASSERT_FALSE(info.Tags.empty());
  EXPECT_EQ(info.Tags.back().Name, "FocalLengthin35mmFilm");
  EXPECT_EQ(info.Tags.back().Value, "8444.12");
  // GPSVersionID (tag 0) is never kept.
  EXPECT_EQ(info.LookupIndex("GPSVersionID"), -1);
}

TEST_F(CameraFileTextsTest, OwnFocalLengthIn35mmIsKept) {
  PIXALDO_NEEDS_SAMPLES();
  TImageInfo& info = Read("cameras/Nikon_D70.jpg");
  EXPECT_EQ(info.ValueOf("FocalLengthin35mmFilm"), "150.00 mm");
  EXPECT_EQ(info.ValueOf("Flash"), "Off");
}

TEST_F(CameraFileTextsTest, GpsPositionAndTime) {
  PIXALDO_NEEDS_SAMPLES();
  TImageInfo& nikon = Read("cameras/DSCN0010.jpg");
  EXPECT_EQ(nikon.ValueOf("GPSLatitude"), "43 Degrees 28 Minutes 3 Seconds");
  EXPECT_EQ(nikon.ValueOf("GPSLongitude"), "11 Degrees 53 Minutes 6 Seconds");
  EXPECT_EQ(nikon.ValueOf("GPSTimeStamp"), "14:27:7");
  EXPECT_EQ(nikon.ValueOf("GPSAltitudeRef"), "Sealevel");
  EXPECT_EQ(nikon.GetTagByName("GPSDateStamp").Description, "GPSDate Stamp");

  TImageInfo& other = Read("cameras/et_GPS.jpg");
  // Seconds of 0: the minutes' fraction gives them.
  EXPECT_EQ(other.ValueOf("GPSLatitude"), "54 Degrees 59 Minutes 23 Seconds");
  EXPECT_EQ(other.ValueOf("GPSLongitude"), "1 Degrees 54 Minutes 51 Seconds");
  EXPECT_EQ(other.ValueOf("GPSTimeStamp"), "14:58:24");
  EXPECT_EQ(other.ValueOf("GPSMapDatum"), "WGS84");
}

}  // namespace
}  // namespace pixaldo
