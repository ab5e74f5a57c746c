#include "support/ExifThumbnailBlock.h"

#include "platform/ByteOrder.h"

namespace pixaldo::test {
namespace {

void AppendEntry(std::string& tiff, uint16_t tag, uint16_t type, uint32_t value, bool bigEndian) {
  AppendU16(tiff, tag, bigEndian);
  AppendU16(tiff, type, bigEndian);
  AppendU32(tiff, 1, bigEndian);
  if (type == 3) {  // a SHORT sits in the first two bytes of the value field
    AppendU16(tiff, uint16_t(value), bigEndian);
    AppendU16(tiff, 0, bigEndian);
  } else {
    AppendU32(tiff, value, bigEndian);
  }
}

}  // namespace

ExifThumbnailLayout ExifApp1WithThumbnail(const std::string& thumbnail, bool bigEndian, uint16_t compression,
                                          size_t padding, const std::string& after) {
  constexpr uint32_t kIfd0 = 8, kIfd1 = kIfd0 + 2 + 12 + 4, kIfd1Size = 2 + 3 * 12 + 4;
  const uint32_t thumbnailOffset = kIfd1 + kIfd1Size + uint32_t(padding);
  std::string tiff = bigEndian ? "MM" : "II";
  AppendU16(tiff, 42, bigEndian);
  AppendU32(tiff, kIfd0, bigEndian);
  AppendU16(tiff, 1, bigEndian);
  AppendEntry(tiff, 0x0112, 3, 1, bigEndian);
  AppendU32(tiff, kIfd1, bigEndian);
  AppendU16(tiff, 3, bigEndian);
  AppendEntry(tiff, 0x0103, 3, compression, bigEndian);
  AppendEntry(tiff, 0x0201, 4, thumbnailOffset, bigEndian);
  const size_t lengthValueInTiff = tiff.size() + 8;
  AppendEntry(tiff, 0x0202, 4, uint32_t(thumbnail.size()), bigEndian);
  AppendU32(tiff, 0, bigEndian);
  tiff.append(padding, '\0');
  tiff += thumbnail;
  tiff += after;

  ExifThumbnailLayout layout;
  std::string payload = std::string("Exif\0\0", 6) + tiff;
  layout.segment = "\xFF\xE1";
  AppendU16(layout.segment, uint16_t(payload.size() + 2), true);
  layout.segment += payload;
  layout.thumbnailAt = 10 + thumbnailOffset;
  layout.lengthValueAt = 10 + lengthValueInTiff;
  return layout;
}

}  // namespace pixaldo::test
