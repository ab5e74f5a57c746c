#include "support/ExifBuilder.h"

#include <algorithm>

#include "platform/ByteOrder.h"
#include "support/TestSupport.h"

namespace pixaldo::test {

TiffBuilder::TiffBuilder(bool bigEndian, uint32_t ifd0Offset) : bigEndian_(bigEndian) {
  block_ = bigEndian ? "MM" : "II";
  AppendU16(block_, 42, bigEndian);
  AppendU32(block_, ifd0Offset, bigEndian);
}

std::string TiffBuilder::U16(uint16_t v) const {
  std::string s;
  AppendU16(s, v, bigEndian_);
  return s;
}

std::string TiffBuilder::U32(uint32_t v) const {
  std::string s;
  AppendU32(s, v, bigEndian_);
  return s;
}

TiffEntry TiffBuilder::Rational(uint16_t tag, uint32_t numerator, uint32_t denominator) const {
  return {tag, 5, 1, U32(numerator) + U32(denominator)};
}

TiffEntry TiffBuilder::Ascii(uint16_t tag, std::string_view text) const {
  std::string v(text);
  v += '\0';
  return {tag, 2, uint32_t(v.size()), v};
}

TiffEntry TiffBuilder::Undefined(uint16_t tag, std::string_view bytes) const {
  return {tag, 7, uint32_t(bytes.size()), std::string(bytes)};
}

void TiffBuilder::Bytes(uint32_t offset, std::string_view data) {
  if (block_.size() < offset + data.size()) block_.resize(offset + data.size(), '\0');
  std::copy(data.begin(), data.end(), block_.begin() + offset);
}

uint32_t TiffBuilder::FreeOffset() const { return uint32_t((block_.size() + 1) & ~size_t(1)); }

void TiffBuilder::Directory(uint32_t offset, const std::vector<TiffEntry>& entries, uint32_t next) {
  const uint32_t end = offset + 2 + 12 * uint32_t(entries.size()) + 4;
  if (block_.size() < end) block_.resize(end, '\0');
  std::string dir = U16(uint16_t(entries.size()));
  for (const TiffEntry& e : entries) {
    dir += U16(e.tag) + U16(e.type) + U32(e.count);
    if (e.value.size() <= 4) {
      std::string inline4 = e.value;
      inline4.resize(4, '\0');
      dir += inline4;
    } else {
      const uint32_t at = e.valueOffset ? e.valueOffset : FreeOffset();
      Bytes(at, e.value);
      dir += U32(at);
    }
  }
  dir += U32(next);
  Bytes(offset, dir);
}

std::string TiffBuilder::ExifPayload() const { return std::string("Exif\0\0", 6) + block_; }

std::string TiffBuilder::ExifSegment() const { return Segment(0xE1, ExifPayload()); }

std::string JpegWithSegments(const std::vector<std::string>& segments) {
  JpegSpec spec;
  spec.width = 16;
  spec.height = 16;
  spec.writeJfif = false;
  return InsertAfterSoi(MakeJpeg(spec), segments);
}

}  // namespace pixaldo::test
