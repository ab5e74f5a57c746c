#pragma once
// Where the colours of a photo are defined, and what they are drawn for.
//
// The source, in this order: the ICC profile embedded in the file, when it
// is complete and fits the picture; otherwise Adobe RGB when EXIF says so
// (ColorSpace "uncalibrated" with the interoperability index "R03");
// otherwise sRGB. An embedded profile that cannot be used is kept with the
// reason, for the metadata window, and the picture is drawn as sRGB.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace pixaldo {

enum class ColourSourceKind : uint8_t {
  Untagged,       // nothing said: sRGB
  ExifSrgb,       // EXIF ColorSpace 1
  ExifAdobeRgb,   // EXIF ColorSpace 0xFFFF with InteropIndex "R03"
  Embedded,       // an ICC profile that fits the picture
  NotUsable,      // an ICC profile (or its pieces) that cannot be used: sRGB
};

struct ColourSource {
  ColourSourceKind kind = ColourSourceKind::Untagged;
  std::shared_ptr<const std::string> profile;  // the joined profile, when there is one
  std::string problem;                         // NotUsable: why
  int components = 3;                          // of the picture: 1, 3 or 4
};

// The source of the picture of a JPEG stream (the segments before the first
// scan are enough). `components` is the frame's number of colour
// components; 0 reads it from the frame header.
ColourSource ReadColourSource(std::string_view jpeg, int components = 0);
// The same for a file, reading its segments up to the first scan only;
// Untagged when the file cannot be read.
ColourSource ReadFileColourSource(const std::filesystem::path& file);

enum class RenderingIntent : uint8_t { Perceptual, RelativeColorimetric, Saturation, AbsoluteColorimetric };

// What pictures are drawn for: the screen's profile (none: sRGB) and how.
struct ColourTarget {
  bool enabled = true;
  RenderingIntent intent = RenderingIntent::Perceptual;
  bool blackPointCompensation = true;
  std::shared_ptr<const std::string> screenProfile;  // null: sRGB

  // Colour management off: the stored values are drawn.
  static ColourTarget Off() {
    ColourTarget target;
    target.enabled = false;
    return target;
  }
  bool operator==(const ColourTarget& other) const;
};

// A picture's pixels with their source and the target they are drawn for.
// `onScreen`: the decoder converted them already (CMYK with its profile).
struct PictureColour {
  ColourSource source;
  ColourTarget target;
  bool onScreen = false;
};

}  // namespace pixaldo
