#include "settings/ColorNames.h"

#include <algorithm>
#include <cstdio>

#include "platform/IniFile.h"

namespace pixaldo {
namespace {

constexpr ColorValue System(uint32_t index) { return kSystemColorFlag | index; }

// RGB of the system colours by their index, as 0xRRGGBB.
constexpr std::array<uint32_t, 31> kSystemRgb{
    0xC8C8C8,  //  0 scroll bar
    0x000000,  //  1 desktop background
    0x99B4D1,  //  2 active caption
    0xBFCDDB,  //  3 inactive caption
    0xF0F0F0,  //  4 menu
    0xFFFFFF,  //  5 window
    0x646464,  //  6 window frame
    0x000000,  //  7 menu text
    0x000000,  //  8 window text
    0x000000,  //  9 caption text
    0xB4B4B4,  // 10 active border
    0xF4F7FC,  // 11 inactive border
    0xABABAB,  // 12 application workspace
    0x3399FF,  // 13 highlight
    0xFFFFFF,  // 14 highlight text
    0xF0F0F0,  // 15 button face
    0xA0A0A0,  // 16 button shadow
    0x6D6D6D,  // 17 grey text
    0x000000,  // 18 button text
    0x434E54,  // 19 inactive caption text
    0xFFFFFF,  // 20 button highlight
    0x696969,  // 21 3D dark shadow
    0xE3E3E3,  // 22 3D light
    0x000000,  // 23 tooltip text
    0xFFFFE1,  // 24 tooltip background
    0x000000,  // 25 (unused)
    0x0066CC,  // 26 hot-tracked item
    0xB9D1EA,  // 27 gradient of the active caption
    0xD7E4F2,  // 28 gradient of the inactive caption
    0x3399FF,  // 29 highlighted menu item
    0xF0F0F0,  // 30 menu bar
};

}  // namespace

const std::array<NamedColor, 52> kColorNames{{
    {"clBlack", 0x000000},
    {"clMaroon", 0x000080},
    {"clGreen", 0x008000},
    {"clOlive", 0x008080},
    {"clNavy", 0x800000},
    {"clPurple", 0x800080},
    {"clTeal", 0x808000},
    {"clGray", 0x808080},
    {"clSilver", 0xC0C0C0},
    {"clRed", 0x0000FF},
    {"clLime", 0x00FF00},
    {"clYellow", 0x00FFFF},
    {"clBlue", 0xFF0000},
    {"clFuchsia", 0xFF00FF},
    {"clAqua", 0xFFFF00},
    {"clWhite", 0xFFFFFF},
    {"clMoneyGreen", 0xC0DCC0},
    {"clSkyBlue", 0xF0CAA6},
    {"clCream", 0xF0FBFF},
    {"clMedGray", 0xA4A0A0},
    {"clActiveBorder", System(10)},
    {"clActiveCaption", System(2)},
    {"clAppWorkSpace", System(12)},
    {"clBackground", System(1)},
    {"clBtnFace", System(15)},
    {"clBtnHighlight", System(20)},
    {"clBtnShadow", System(16)},
    {"clBtnText", System(18)},
    {"clCaptionText", System(9)},
    {"clGradientActiveCaption", System(27)},
    {"clGradientInactiveCaption", System(28)},
    {"clGrayText", System(17)},
    {"clHighlight", System(13)},
    {"clHighlightText", System(14)},
    {"clHotLight", System(26)},
    {"clInactiveBorder", System(11)},
    {"clInactiveCaption", System(3)},
    {"clInactiveCaptionText", System(19)},
    {"clInfoBk", System(24)},
    {"clInfoText", System(23)},
    {"clMenu", System(4)},
    {"clMenuBar", System(30)},
    {"clMenuHighlight", System(29)},
    {"clMenuText", System(7)},
    {"clScrollBar", System(0)},
    {"cl3DDkShadow", System(21)},
    {"cl3DLight", System(22)},
    {"clWindow", System(5)},
    {"clWindowFrame", System(6)},
    {"clWindowText", System(8)},
    {"clNone", kColorNone},
    {"clDefault", kColorDefault},
}};

std::optional<ColorValue> ColorFromText(std::string_view text) {
  for (const NamedColor& named : kColorNames) {
    if (SameTextCp1250(named.name, text)) return named.value;
  }
  int number;
  if (ParseIniInteger(text, number)) return static_cast<ColorValue>(number);
  return std::nullopt;
}

std::string ColorToText(ColorValue color) {
  auto named = std::find_if(kColorNames.begin(), kColorNames.end(),
                            [color](const NamedColor& n) { return n.value == color; });
  if (named != kColorNames.end()) return std::string(named->name);
  char hex[16];
  std::snprintf(hex, sizeof hex, "$%08X", static_cast<unsigned>(color));
  return hex;
}

Rgb ColorToRgb(ColorValue color) {
  if (color & 0x80000000u) {
    uint32_t index = color & 0xFF;
    uint32_t rgb = index < kSystemRgb.size() ? kSystemRgb[index] : 0;
    return {uint8_t(rgb >> 16), uint8_t(rgb >> 8), uint8_t(rgb)};
  }
  return {uint8_t(color), uint8_t(color >> 8), uint8_t(color >> 16)};
}

ColorValue ColorFromRgb(Rgb rgb) { return ColorValue(rgb.red) | ColorValue(rgb.green) << 8 | ColorValue(rgb.blue) << 16; }

}  // namespace pixaldo
