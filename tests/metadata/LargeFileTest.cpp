// A file over 2 GiB (sparse, so the test costs no disk) is never read into
// memory: the container reads its metadata segments only, the readers that
// need the whole file refuse it with an error naming it.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <unistd.h>

#include "exif/ExifData.h"
#include "jpeg_structure/JpegObject.h"
#include "photo_record/JpegBasicObject.h"
#include "support/TestSupport.h"

namespace pixaldo {
namespace {

TEST(LargeFile, MetadataIsReadWithoutLoadingTheFile) {
  test::TempDir dir;
  const auto big = dir / "big.jpg";
  const std::string head = std::string("\xFF\xD8", 2) + test::Segment(0xFE, "huge scan") +
                           test::Segment(0xDA, std::string("\x01\x01\x00\x00\x3F\x00", 6));
  test::WriteBytes(big, head);
  ASSERT_EQ(::truncate(big.c_str(), off_t(3) << 30), 0);

  TimgData data;
  ASSERT_TRUE(data.ReadFile(big));
  EXPECT_TRUE(data.HasComment());
  EXPECT_EQ(data.GetComment(), "huge scan");
  EXPECT_EQ(data.FileSize, int64_t(3) << 30);

  for (auto load : {+[](const std::filesystem::path& p) { TJpegObject object(p, false); },
                    +[](const std::filesystem::path& p) { TJpegBasicObject record(p); }}) {
    try {
      load(big);
      ADD_FAILURE() << "a 3 GiB file was accepted";
    } catch (const FileError& error) {
      EXPECT_EQ(error.path(), big);
    }
  }
}

}  // namespace
}  // namespace pixaldo
