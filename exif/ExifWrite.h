#pragma once
// The picture a metadata write puts behind the kept segments, taken from a
// file without decoding it: the file's bytes and the size its frame header
// gives.
#include <filesystem>
#include <functional>
#include <string_view>

#include "exif/ExifData.h"

namespace pixaldo {

// Reads a JPEG file as a picture for TimgData::WriteWithPicture. Throws
// FileError when the file cannot be read, is not a JPEG file or has no frame
// header before its compressed data.
JpegPicture LoadJpegPicture(const std::filesystem::path& file);

// Where a picture stream's own data begins: after its start-of-image marker
// and the APP0, APP1 (EXIF or XMP), APP13 and COM segments that stand there
// in this order (each skipped only when it stands exactly there), which the
// container's kept segments replace.
size_t PictureDataStart(std::string_view stream);

// Removes from `stream`, from the segment at `from` on up to the compressed
// data, the segments `drop(marker, bytes from the length field on)` picks
// (only the first of them when `once`); returns how many went.
size_t RemoveSegments(std::string& stream, size_t from,
                      const std::function<bool(uint8_t, std::string_view)>& drop, bool once);

// Removes from the stream the first segment with `marker` whose bytes from
// the length field on equal `bytes`, when it stands after PictureDataStart
// and before the compressed data. True when one was removed.
bool RemoveStaleSegment(std::string& stream, uint8_t marker, std::string_view bytes);

}  // namespace pixaldo
