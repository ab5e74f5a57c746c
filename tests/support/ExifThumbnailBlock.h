#pragma once
// A minimal EXIF APP1 segment that carries a thumbnail: IFD0 with one entry
// (Orientation), linked to IFD1 with Compression, JPEGInterchangeFormat and
// JPEGInterchangeFormatLength, followed by the thumbnail bytes.
#include <cstdint>
#include <string>

namespace pixaldo::test {

struct ExifThumbnailLayout {
  std::string segment;       // 0xFF 0xE1, length, "Exif\0\0", TIFF block
  size_t thumbnailAt = 0;    // position of the thumbnail's first byte in `segment`
  size_t lengthValueAt = 0;  // position of the 4-byte JPEGInterchangeFormatLength value in `segment`
};

// `compression` 6 marks a JPEG thumbnail, 1 an uncompressed one; `padding`
// zero bytes lie between IFD1 and the thumbnail (to make a large block);
// `after` follows the thumbnail (as a maker note's preview may).
ExifThumbnailLayout ExifApp1WithThumbnail(const std::string& thumbnail, bool bigEndian, uint16_t compression = 6,
                                          size_t padding = 0, const std::string& after = {});

}  // namespace pixaldo::test
