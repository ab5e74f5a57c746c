#pragma once
// A minimal EXIF APP1 segment whose IFD0 holds ExifImageWidth and
// ExifImageLength (16- or 32-bit) and, optionally, ISO and exposure bias.
#include <cstdint>
#include <string>

namespace pixaldo::test {

struct ExifSizeSpec {
  uint32_t width = 640;
  uint32_t height = 480;
  bool bigEndian = false;
  bool wide = false;         // LONG entries instead of SHORT
  uint16_t iso = 0;          // ISOSpeedRatings when not 0
  int32_t biasNumerator = 0; // ExposureBiasValue when biasDenominator is not 0
  int32_t biasDenominator = 0;
};

struct ExifSizeLayout {
  std::string segment;    // 0xFF 0xE1, length, "Exif\0\0", TIFF block
  size_t widthValueAt = 0;   // position of the width value's first byte in `segment`
  size_t heightValueAt = 0;
};

ExifSizeLayout ExifApp1WithSize(const ExifSizeSpec& spec = {});

}  // namespace pixaldo::test
