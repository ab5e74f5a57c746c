#pragma once
// The picture a metadata write puts behind the kept segments, taken from a
// file without decoding it: the file's bytes and the size its frame header
// gives.
#include <filesystem>

#include "exif/ExifData.h"

namespace pixaldo {

// Reads a JPEG file as a picture for TimgData::WriteWithPicture. Throws
// FileError when the file cannot be read, is not a JPEG file or has no frame
// header before its compressed data.
JpegPicture LoadJpegPicture(const std::filesystem::path& file);

}  // namespace pixaldo
