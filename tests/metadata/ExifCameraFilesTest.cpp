// Reading real camera files: summary fields, the values the photo record
// takes by name, GPS texts and the thumbnail directory (checked against
// exiftool's reading of the same files).
#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "exif/ExifData.h"
#include "support/TestSupport.h"

namespace pixaldo {
namespace {

std::unique_ptr<TimgData> ReadCamera(const std::string& relative) {
  auto data = std::make_unique<TimgData>(255);
  EXPECT_TRUE(data->ReadFile(test::TestData(relative))) << relative;
  EXPECT_TRUE(data->HasExif()) << relative;
  EXPECT_EQ(data->ErrorText, "<none>");
  return data;
}

struct CameraCase {
  const char* file;
  const char* make;
  const char* model;
  const char* dateTime;
  int width;
  int height;
  std::map<std::string, std::string> values;  // ValueOf(name)
};

TEST(ExifCameraFilesTest, SummaryFieldsAndNamedValues) {
  PIXALDO_NEEDS_SAMPLES();
  const CameraCase cases[] = {
      {"cameras/Canon_40D.jpg", "Canon", "Canon EOS 40D", "2008:05:30 15:56:01", 100, 68,
       {{"ExposureTime", "1/160 sec"}, {"FNumber", "F7.1"}, {"ExposureProgram", "Manual"},
        {"ISOSpeedRatings", "100"}, {"ExposureBiasValue", "0/1"}, {"MeteringMode", "MultiSegment"},
        {"Flash", "On, forced"}, {"FocalLength", "135.00 mm"}, {"ShutterSpeedValue", "0.0060 sec (1/166)"},
        {"ComponentsConfiguration", "YCbCr"}, {"ExifVersion", "\"0221\""}, {"FocalLengthin35mmFilm", "8444.12"}}},
      {"cameras/Nikon_D70.jpg", "NIKON CORPORATION", "NIKON D70", "2008:03:15 09:52:01", 100, 66,
       {{"ExposureTime", "1/200 sec"}, {"FNumber", "F9.0"}, {"ExposureBiasValue", "-1/1"},
        {"MeteringMode", "Center"}, {"Flash", "Off"}, {"FocalLengthin35mmFilm", "150.00 mm"}}},
      {"cameras/Fujifilm_FinePix_E500.jpg", "FUJIFILM", "FinePix E500   ", "2006:08:17 09:24:48", 59, 100,
       {{"ExposureTime", "10/800 sec"}, {"Flash", "Off, surpressed"}, {"FocalLength", " 4.70 mm"},
        {"Macro", "On"}}},
      {"cameras/olympus-c960.jpg", "OLYMPUS OPTICAL CO.,LTD", "C960Z,D460Z", "2000:11:07 10:41:43", 1280, 960,
       {{"JpegQual", "HQ"}, {"ExposureProgram", "Normal"}, {"ISOSpeedRatings", "125"}}},
      {"cameras/45-gps_ifd.jpg", "Polyphony Digital Inc.", "Gran Turismo 5", "2012:06:23 06:55:49", 1600, 900,
       {{"FNumber", "F45.0"}, {"ExposureTime", "1/59 sec"}}},
  };
  for (const CameraCase& c : cases) {
    SCOPED_TRACE(c.file);
    auto data = ReadCamera(c.file);
    const TImageInfo& info = *data->ExifInfo;
    EXPECT_EQ(info.CameraMake, c.make);
    EXPECT_EQ(info.CameraModel, c.model);
    if (*c.dateTime) {
      EXPECT_EQ(info.DateTime, c.dateTime);
    }
    if (c.width) {
      EXPECT_EQ(info.Width, c.width);
      EXPECT_EQ(info.Height, c.height);
    }
    for (const auto& [name, value] : c.values) EXPECT_EQ(info.ValueOf(name), value) << name;
  }
}

TEST(ExifCameraFilesTest, GpsPositionAndTimeTexts) {
  PIXALDO_NEEDS_SAMPLES();
  auto gps = ReadCamera("cameras/et_GPS.jpg");
  const TImageInfo& info = *gps->ExifInfo;
  EXPECT_EQ(info.ValueOf("GPSLatitudeRef"), "N");
  EXPECT_EQ(info.ValueOf("GPSLatitude"), "54 Degrees 59 Minutes 23 Seconds");
  EXPECT_EQ(info.ValueOf("GPSLongitudeRef"), "W");
  EXPECT_EQ(info.ValueOf("GPSLongitude"), "1 Degrees 54 Minutes 51 Seconds");
  EXPECT_EQ(info.ValueOf("GPSTimeStamp"), "14:58:24");
  EXPECT_EQ(info.ValueOf("GPSMapDatum"), "WGS84");
  EXPECT_EQ(info.LookupIndex("GPSVersionID"), -1);  // tag 0 is never kept
  // The GPS entries stand before the entry that points to them.
  EXPECT_LT(info.LookupIndex("GPSLatitude"), info.LookupIndex("GPSInfo"));

  auto nikon = ReadCamera("cameras/DSCN0010.jpg");
  EXPECT_EQ(nikon->ExifInfo->ValueOf("GPSLatitude"), "43 Degrees 28 Minutes 3 Seconds");
  EXPECT_EQ(nikon->ExifInfo->ValueOf("GPSTimeStamp"), "14:27:7");
  EXPECT_EQ(nikon->ExifInfo->ValueOf("GPSAltitudeRef"), "Sealevel");
  EXPECT_EQ(nikon->ExifInfo->GetTagByName("GPSLatitude").Description, "GPSLatitude");
}

TEST(ExifCameraFilesTest, ThumbnailDirectoryStartAndLength) {
  PIXALDO_NEEDS_SAMPLES();
  struct Case {
    const char* file;
    const char* offset;  // JPEGInterchangeFormat, TIFF offset
    const char* length;
  };
  // exiftool gives the same offsets counted from the file's start.
  const Case cases[] = {
      {"cameras/Canon_40D.jpg", "1090", "1378"},
      {"cameras/Nikon_D70.jpg", "566", "1700"},
      {"cameras/DSCN0010.jpg", "4548", "6702"},
      {"cameras/nikon-e950.jpg", "2036", "4662"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    auto data = ReadCamera(c.file);
    TImageInfo& info = *data->ExifInfo;
    ASSERT_TRUE(data->HasThumbnail());
    EXPECT_EQ(info.ThumbLength, 9 + (data->ExifSegment->Length - 6) - info.ThumbStart);
    info.ParseThumbnail();
    TTagEntry entry;
    std::map<int, TTagEntry> byTag;
    info.ResetThumbCursor();
    while (info.NextThumbTag(0, entry)) byTag[entry.Dataset] = entry;
    EXPECT_EQ(byTag[0x0103].Value, "Jpeg");
    EXPECT_EQ(byTag[0x0201].Value, c.offset);
    EXPECT_EQ(byTag[0x0202].Value, c.length);
    // The length's position holds its stored value.
    const TTagEntry& length = byTag[0x0202];
    ASSERT_GT(length.ValuePos, 0);
    EXPECT_EQ(data->ExifSegment->Bytes.substr(size_t(length.ValuePos - 1), 4), length.RawValue);
    // The thumbnail itself starts with SOI where the offset says.
    const size_t at = size_t(std::stoi(c.offset)) + 8;
    EXPECT_EQ(data->ExifSegment->Bytes.substr(at, 2), "\xFF\xD8");
    // IFD1 lies where ThumbStart says: its entry count is at ThumbStart + 9.
    EXPECT_EQ(info.Read16(info.ThumbStart + 9).value_or(0), info.ThumbCount());
  }
}

TEST(ExifCameraFilesTest, TiffFilesAndFilesWithoutExif) {
  PIXALDO_NEEDS_SAMPLES();
  TimgData data(255);
  ASSERT_TRUE(data.ReadFile(test::TestData("tiff/Arbitro.tiff")));
  EXPECT_EQ(data.ExifInfo->Width, 174);
  EXPECT_EQ(data.ExifInfo->Height, 38);
  EXPECT_EQ(data.ExifInfo->ValueOf("Orientation"), "Normal");
  EXPECT_FALSE(data.HasThumbnail());

  ASSERT_TRUE(data.ReadFile(test::TestData("cameras/sony-powershota5.jpg")));  // APP0 pieces and a comment
  EXPECT_FALSE(data.HasExif());
  EXPECT_EQ(data.GetComment(), "..and henceforth, shall he be named Frank, for he is a pumpkin.");

  EXPECT_FALSE(data.ReadFile(test::TestData("cameras/olympus-d320l.jpg")));  // only APP0 and APP12
  EXPECT_EQ(data.ErrorText, "Not an EXIF file");
}

}  // namespace
}  // namespace pixaldo
