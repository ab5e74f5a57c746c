#pragma once
// Photos as cameras and phones store them: the pixels as the sensor saw
// them and an EXIF Orientation that says how to turn them upright.
#include <filesystem>
#include <string>
#include <vector>

namespace pixaldo::test {

// jpegtran's output for a JPEG byte string with the given switches (the
// input goes through a file in `scratch`). Empty when jpegtran fails.
std::string JpegTranOf(const std::string& jpeg, const std::vector<std::string>& switches,
                       const std::filesystem::path& scratch);

// The upright picture `upright` stored as orientation 1..8 asks: its pixels
// turned by the inverse of the orientation (losslessly, by jpegtran), then a
// JFIF header, then an EXIF block (little-endian) with Orientation,
// ExifImageWidth (SHORT) and ExifImageHeight (LONG) of the stored pixels and
// a JPEG thumbnail of the stored aspect whose directory repeats Orientation.
// The sides of `upright` must be multiples of its block size.
std::string MakeOrientedJpeg(const std::string& upright, int orientation, const std::filesystem::path& scratch);

}  // namespace pixaldo::test
