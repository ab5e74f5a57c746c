// Every damaged and hostile sample, named as a JPEG file: reading the record
// never crashes, and a metadata write either succeeds with the picture data
// unchanged or fails with an error that leaves the file as it was.
#include <gtest/gtest.h>

#include "exif/ExifData.h"
#include "iptc/IptcData.h"
#include "photo_record/JpegBasicObject.h"
#include "support/TestSupport.h"

namespace pixaldo {
namespace {

TEST(PhotoRecordHostile, ReadAndWriteEveryDamagedSample) {
  PIXALDO_NEEDS_SAMPLES();
  int written = 0, refused = 0;
  for (const char* folder : {"hostile", "damaged", "iptc"}) {
    for (const auto& item : fs::directory_iterator(test::TestData(folder))) {
      if (!item.is_regular_file()) continue;
      SCOPED_TRACE(item.path().string());
      test::TempDir dir;
      fs::path file = dir.Copy(std::string(folder) + "/" + item.path().filename().string(), "sample.jpg");
      const std::string before = test::ReadBytes(file);
      TJpegBasicObject record(file);
      record.ReadBlockSize();
      record.ReadTags();
      if (record.ImgData->ExifInfo) record.ImgData->ExifInfo->AsXmlLines();
      try {
        TJpegBasicObject(file).WriteIptc({"C", "T", "caption"});
        ++written;
        // Metadata segments that stood among the tables come to the front.
        EXPECT_EQ(test::PictureData(test::StripMetadataSegments(test::ReadBytes(file))),
                  test::PictureData(test::StripMetadataSegments(before)));
        TJpegBasicObject again(file);
        again.ReadTags();
        EXPECT_EQ(again.IptcFields.ObjectName, "T");
      } catch (const FileError&) {
        ++refused;
        EXPECT_EQ(test::ReadBytes(file), before);
      }
      EXPECT_EQ(dir.List(), std::vector<std::string>{"sample.jpg"});
    }
  }
  EXPECT_GT(written, 10);
  EXPECT_GT(refused, 10);
}

}  // namespace
}  // namespace pixaldo
