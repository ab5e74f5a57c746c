#include "support/ExifSizeBlock.h"

#include <vector>

#include "platform/ByteOrder.h"
#include "support/TestSupport.h"

namespace pixaldo::test {

ExifSizeLayout ExifApp1WithSize(const ExifSizeSpec& spec) {
  const bool be = spec.bigEndian;
  struct Entry {
    uint16_t tag, type;
    uint32_t value;
  };
  std::vector<Entry> entries = {{0xA002, uint16_t(spec.wide ? 4 : 3), spec.width},
                                {0xA003, uint16_t(spec.wide ? 4 : 3), spec.height}};
  if (spec.iso) entries.push_back({0x8827, 3, spec.iso});
  bool bias = spec.biasDenominator != 0;
  if (bias) entries.push_back({0x9204, 10, 0});

  std::string tiff = be ? "MM" : "II";
  AppendU16(tiff, 42, be);
  AppendU32(tiff, 8, be);
  AppendU16(tiff, uint16_t(entries.size()), be);
  const uint32_t dataOffset = uint32_t(8 + 2 + 12 * entries.size() + 4);
  ExifSizeLayout layout;
  const size_t tiffInSegment = 4 + 6;  // marker, length, "Exif\0\0"
  for (const auto& e : entries) {
    AppendU16(tiff, e.tag, be);
    AppendU16(tiff, e.type, be);
    AppendU32(tiff, 1, be);
    size_t valueAt = tiff.size();
    if (e.type == 3) {
      AppendU16(tiff, uint16_t(e.value), be);
      AppendU16(tiff, 0, be);
    } else if (e.type == 4) {
      AppendU32(tiff, e.value, be);
    } else {
      AppendU32(tiff, dataOffset, be);
    }
    if (e.tag == 0xA002) layout.widthValueAt = tiffInSegment + valueAt;
    if (e.tag == 0xA003) layout.heightValueAt = tiffInSegment + valueAt;
  }
  AppendU32(tiff, 0, be);  // no next directory
  if (bias) {
    AppendU32(tiff, uint32_t(spec.biasNumerator), be);
    AppendU32(tiff, uint32_t(spec.biasDenominator), be);
  }
  layout.segment = Segment(0xE1, std::string("Exif\0\0", 6) + tiff);
  return layout;
}

}  // namespace pixaldo::test
