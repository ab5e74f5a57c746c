#pragma once
// Colour conversion of decoded pictures for the screen, through lcms2 (the
// only unit that sees it). Transforms are made on first use and kept per
// source profile, screen profile, rendering intent and pixel layout; they
// are shared by every thread. A picture whose profile lcms2 refuses is
// drawn as sRGB; lcms2's messages go nowhere.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "colour/ColourSource.h"

namespace pixaldo {

// Converts `count` pixels of 8-bit R, G, B (packed) from the picture's
// source to its target's screen, in place. Nothing happens when colour
// management is off, the decoder converted the pixels already, or source
// and screen are both sRGB (the pixels stay exactly as decoded).
void ConvertToScreen(uint8_t* rgb, size_t count, const PictureColour& colour);

// Whether ConvertToScreen would change the pixels of this picture.
bool ChangesColours(const PictureColour& colour);

// CMYK rows (libjpeg's output; `inverted` for Adobe's inverted CMYK) to the
// target's screen through the picture's CMYK profile.
class CmykToScreen {
 public:
  // Nothing when the picture has no usable CMYK profile, colour management
  // is off, or lcms2 refuses the profile.
  static std::unique_ptr<CmykToScreen> For(const ColourSource& source, const ColourTarget& target, bool inverted);
  void Row(const uint8_t* cmyk, uint8_t* rgb, size_t width) const;

  struct Transform;
  explicit CmykToScreen(std::shared_ptr<const Transform> transform) : transform_(std::move(transform)) {}

 private:
  std::shared_ptr<const Transform> transform_;
};

// The metadata window's "ICC" group (name, value), empty when the file
// carries no profile: description, class, colour space, version, size and,
// for a profile that cannot be used, why.
std::vector<std::pair<std::string, std::string>> IccRows(const ColourSource& source);

// The profile's description (as the profile names itself), empty when it
// has none or cannot be read.
std::string ProfileDescription(const std::string& profile);

// What names the colours of the picture for the info summary: the embedded
// profile's description, "sRGB (EXIF)", "Adobe RGB (EXIF)", or empty.
std::string ColourSourceName(const ColourSource& source);

// A screen profile lcms2 can draw to (an RGB display or output profile).
bool UsableScreenProfile(const std::string& profile);

}  // namespace pixaldo
