#pragma once
// The text form of a colour in Options.ini: one of the colour names below
// ("clGradientActiveCaption", "clNavy", ...), or "$" followed by 8
// hexadecimal digits. Names are read without regard to letter case; plain
// decimal numbers are read too.
//
// A colour value is 32 bits: 0x00BBGGRR for a colour given by its red, green
// and blue parts, 0xFF0000nn for system colour nn. System colours have fixed
// RGB values here (a light theme), since this platform has no such palette.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace pixaldo {

using ColorValue = uint32_t;

struct NamedColor {
  std::string_view name;
  ColorValue value;
};

inline constexpr ColorValue kSystemColorFlag = 0xFF000000u;
inline constexpr ColorValue kColorNone = 0x1FFFFFFFu;
inline constexpr ColorValue kColorDefault = 0x20000000u;
inline constexpr ColorValue kClGradientActiveCaption = kSystemColorFlag | 27;

// In the order a colour box lists them: the standard colours, the extended
// ones, the system colours, then clNone and clDefault.
extern const std::array<NamedColor, 52> kColorNames;

// The colour of a name or number; nothing for any other text.
std::optional<ColorValue> ColorFromText(std::string_view text);
// The colour's name, or "$" and 8 upper-case hexadecimal digits.
std::string ColorToText(ColorValue color);

struct Rgb {
  uint8_t red = 0;
  uint8_t green = 0;
  uint8_t blue = 0;
  bool operator==(const Rgb&) const = default;
};
// What the colour looks like; system colours by their fixed values.
Rgb ColorToRgb(ColorValue color);
ColorValue ColorFromRgb(Rgb rgb);

}  // namespace pixaldo
