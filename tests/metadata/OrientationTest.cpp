// The eight turns of the EXIF orientation and the values rewritten in place
// after a turn. (The turns against jpegtran and the decoder: see the
// transform tests of oriented photos.)
#include <gtest/gtest.h>

#include "exif/Orientation.h"
#include "support/ExifBuilder.h"
#include "support/TestSupport.h"

namespace pixaldo {
namespace {

using test::TiffBuilder;

TEST(Orientation, TurnsComposeAsTheirPixelMappingsDo) {
  constexpr int w = 5, h = 3;
  for (int a = 1; a <= 8; ++a)
    for (int b = 1; b <= 8; ++b) {
      const Orientation first = OrientationFromValue(a);
      const Orientation then = OrientationFromValue(b);
      const Orientation both = Compose(first, then);
      const int w1 = SwapsSides(first) ? h : w, h1 = SwapsSides(first) ? w : h;
      for (TurnPoint p : {TurnPoint{0, 0}, TurnPoint{4, 0}, TurnPoint{1, 2}}) {
        const TurnPoint once = TurnPixel(first, p, w, h);
        const TurnPoint twice = TurnPixel(then, once, w1, h1);
        const TurnPoint direct = TurnPixel(both, p, w, h);
        EXPECT_EQ(twice.x, direct.x) << a << " then " << b;
        EXPECT_EQ(twice.y, direct.y) << a << " then " << b;
      }
    }
  // Rotate 90° clockwise: the top-left pixel goes to the top-right corner.
  const TurnPoint corner = TurnPixel(Orientation::Rotate90, {0, 0}, w, h);
  EXPECT_EQ(corner.x, h - 1);
  EXPECT_EQ(corner.y, 0);
  EXPECT_EQ(Inverse(Orientation::Rotate90), Orientation::Rotate270);
  EXPECT_EQ(Inverse(Orientation::Transverse), Orientation::Transverse);
  EXPECT_EQ(OrientationFromValue(0), Orientation::Upright);
  EXPECT_EQ(OrientationFromValue(9), Orientation::Upright);
}

// A picture 64 × 48 with an EXIF block whose IFD0 holds the orientation (as
// `type`) and the EXIF size (LONG, big-endian), and whose thumbnail
// directory repeats the orientation.
std::string PictureWithExif(uint16_t type, uint16_t orientation, bool withSize) {
  TiffBuilder tiff(true);
  std::vector<test::TiffEntry> ifd0{{0x0112, type, 1, type == 3 ? tiff.U16(orientation) + std::string(2, '\0')
                                                                 : tiff.U32(orientation)}};
  if (withSize) ifd0.push_back(tiff.Long(0xA002, 48)), ifd0.push_back(tiff.Long(0xA003, 64));
  const uint32_t ifd1 = 8 + 2 + 12 * uint32_t(ifd0.size()) + 4;
  tiff.Directory(8, ifd0, ifd1);
  tiff.Directory(ifd1, {tiff.Short(0x0112, orientation)});
  return test::InsertAfterSoi(test::MakeJpeg({.width = 64, .height = 48}), {tiff.ExifSegment()});
}

TEST(Orientation, ValuesAreReadAndRewrittenInPlace) {
  std::string jpeg = PictureWithExif(3, 6, true);
  EXPECT_EQ(ReadOrientation(jpeg), Orientation::Rotate90);
  const std::string before = jpeg;
  EXPECT_TRUE(UpdateExifAfterTurn(jpeg, Orientation::Upright));
  EXPECT_EQ(jpeg.size(), before.size());
  EXPECT_EQ(ReadOrientation(jpeg), Orientation::Upright);
  const size_t tiff = jpeg.find("MM\0\x2A", 0, 4);
  size_t changed = 0;
  for (size_t i = 0; i < jpeg.size(); ++i) changed += jpeg[i] != before[i];
  EXPECT_EQ(changed, 4u);  // the low byte of both orientations, of width and of height
  // Width 64 and height 48 as big-endian LONGs in IFD0's second and third entries.
  EXPECT_EQ(jpeg.substr(tiff + 8 + 2 + 12 + 8, 4), std::string("\0\0\0\x40", 4));
  EXPECT_EQ(jpeg.substr(tiff + 8 + 2 + 24 + 8, 4), std::string("\0\0\0\x30", 4));
  EXPECT_FALSE(UpdateExifAfterTurn(jpeg, Orientation::Upright));  // nothing stale any more

  // An orientation that is not a SHORT counts as upright and is left alone;
  // sizes that are missing are not added.
  std::string other = PictureWithExif(4, 6, false);
  EXPECT_EQ(ReadOrientation(other), Orientation::Upright);
  const std::string otherBefore = other;
  UpdateExifAfterTurn(other, std::nullopt);
  EXPECT_EQ(other, otherBefore);

  test::TempDir dir;
  test::WriteBytes(dir / "six.jpg", PictureWithExif(3, 6, true));
  EXPECT_EQ(ReadFileOrientation(dir / "six.jpg"), Orientation::Rotate90);
  EXPECT_EQ(ReadFileOrientation(dir / "missing.jpg"), Orientation::Upright);
}

}  // namespace
}  // namespace pixaldo
