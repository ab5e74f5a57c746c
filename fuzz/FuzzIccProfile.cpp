// The colour source of a JPEG held in memory: the ICC profile joined from its
// APP2 chunks, the EXIF colour space hint, the profile's facts for the
// metadata lists, and a small bitmap converted with whatever lcms2 makes of
// the profile (as the screen's profile too).
#include <array>

#include "FuzzInput.h"
#include "colour/ColourEngine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pixaldo;
  if (fuzz::TooLarge(size)) return 0;
  const ColourSource source = ReadColourSource(fuzz::AsBytes(data, size));
  (void)IccRows(source);
  (void)ColourSourceName(source);
  std::array<uint8_t, 16 * 3> pixels{};
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = uint8_t(i * 17);
  PictureColour colour{source, {}, false};
  ConvertToScreen(pixels.data(), pixels.size() / 3, colour);
  if (source.profile && UsableScreenProfile(*source.profile)) {
    colour.target.screenProfile = source.profile;
    colour.source = {};
    ConvertToScreen(pixels.data(), pixels.size() / 3, colour);
  }
  if (auto cmyk = CmykToScreen::For(source, {}, true)) {
    std::array<uint8_t, 4 * 4> row{};
    cmyk->Row(row.data(), pixels.data(), 4);
  }
  return 0;
}
