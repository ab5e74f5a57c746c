// The XMP packet: the three texts read from it, then written into it again
// (also emptied), and the rewritten packet read once more.
#include "FuzzInput.h"
#include "xmp/XmpPacket.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pixaldo;
  if (fuzz::TooLarge(size)) return 0;
  const std::string_view packet = fuzz::AsBytes(data, size);
  const XmpTexts texts = XmpPacket::ReadTexts(packet);
  std::string error;
  const XmpTexts changed{texts.Description + " 東京 & <b>", "", texts.Title};
  if (auto written = XmpPacket::WithTexts(packet, changed, 0xFFFF - 31, error)) (void)XmpPacket::ReadTexts(*written);
  return 0;
}
