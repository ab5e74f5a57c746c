#pragma once
// Hand-made TIFF/EXIF blocks: directories with entries placed at chosen TIFF
// offsets, values longer than four bytes put at a chosen offset or after
// everything written so far. Offsets count from the TIFF header, as in a file.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pixaldo::test {

struct TiffEntry {
  uint16_t tag = 0;
  uint16_t type = 0;
  uint32_t count = 0;
  std::string value;         // the value's bytes (at most 4 stay in the entry)
  uint32_t valueOffset = 0;  // where a longer value goes; 0: the next free offset
};

class TiffBuilder {
 public:
  // Header "II"/"MM", 42 and the IFD0 offset.
  explicit TiffBuilder(bool bigEndian = false, uint32_t ifd0Offset = 8);

  bool BigEndian() const { return bigEndian_; }
  std::string U16(uint16_t v) const;
  std::string U32(uint32_t v) const;

  TiffEntry Short(uint16_t tag, uint16_t v) const { return {tag, 3, 1, U16(v)}; }
  TiffEntry Long(uint16_t tag, uint32_t v) const { return {tag, 4, 1, U32(v)}; }
  TiffEntry Rational(uint16_t tag, uint32_t numerator, uint32_t denominator) const;
  // ASCII text with its terminating zero byte.
  TiffEntry Ascii(uint16_t tag, std::string_view text) const;
  TiffEntry Undefined(uint16_t tag, std::string_view bytes) const;

  // Writes a directory at `offset`: entry count, entries, link to the next
  // directory. Longer values are written too (see TiffEntry::valueOffset).
  void Directory(uint32_t offset, const std::vector<TiffEntry>& entries, uint32_t next = 0);
  // Raw bytes at an offset (the block grows with zero bytes as needed).
  void Bytes(uint32_t offset, std::string_view data);
  // The first even offset after everything written so far.
  uint32_t FreeOffset() const;

  const std::string& Block() const { return block_; }
  // "Exif\0\0" followed by the block: the payload of an APP1 segment.
  std::string ExifPayload() const;
  // The APP1 segment with marker and length.
  std::string ExifSegment() const;

 private:
  bool bigEndian_;
  std::string block_;
};

// A small JPEG picture (no JFIF header) with these segments right after SOI.
std::string JpegWithSegments(const std::vector<std::string>& segments);

}  // namespace pixaldo::test
