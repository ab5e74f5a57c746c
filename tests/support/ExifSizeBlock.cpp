#include "support/ExifSizeBlock.h"

#include <vector>

#include "support/ExifBuilder.h"

namespace pixaldo::test {

ExifSizeLayout ExifApp1WithSize(const ExifSizeSpec& spec) {
  TiffBuilder tiff(spec.bigEndian);
  auto size = [&](uint16_t tag, uint32_t v) { return spec.wide ? tiff.Long(tag, v) : tiff.Short(tag, uint16_t(v)); };
  std::vector<TiffEntry> entries = {size(0xA002, spec.width), size(0xA003, spec.height)};
  if (spec.iso) entries.push_back(tiff.Short(0x8827, spec.iso));
  if (spec.biasDenominator) {
    TiffEntry bias = tiff.Rational(0x9204, uint32_t(spec.biasNumerator), uint32_t(spec.biasDenominator));
    bias.type = 10;  // signed rational
    entries.push_back(bias);
  }
  tiff.Directory(8, entries);
  // IFD0 at TIFF offset 8; entry i's value field at 8 + 2 + 12 i + 8; the
  // TIFF block starts 10 bytes into the segment (marker, length, "Exif\0\0").
  const size_t tiffStart = 10;
  return {tiff.ExifSegment(), tiffStart + 18, tiffStart + 30};
}

}  // namespace pixaldo::test
