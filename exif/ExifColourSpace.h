#pragma once
// What the EXIF block of a JPEG stream says about the colour space of the
// picture: ColorSpace (0xA001) in the EXIF directory and, for an
// "uncalibrated" picture (0xFFFF), the InteropIndex (0x0001) of the
// interoperability directory, where "R03" stands for Adobe RGB (DCF option
// file). Cameras set to Adobe RGB usually write this instead of a profile.
#include <string_view>

namespace pixaldo {

enum class ExifColourSpace {
  None,          // no EXIF block, no ColorSpace, or a value not listed here
  Srgb,          // ColorSpace 1
  AdobeRgb,      // ColorSpace 0xFFFF with InteropIndex "R03"
  Uncalibrated,  // ColorSpace 0xFFFF without that index
};

// Reads the first EXIF APP1 segment of the stream; damaged blocks give None.
ExifColourSpace ReadExifColourSpace(std::string_view jpeg);

}  // namespace pixaldo
