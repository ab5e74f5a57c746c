// The XMP packet: the three texts read from it, then written into it again
// (also emptied), and the rewritten packet read once more (the texts must
// come back as written); the same for the keywords, rating and press
// fields; then its properties merged into another packet.
#include <cstdlib>

#include "FuzzInput.h"
#include "xmp/XmpPacket.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pixaldo;
  if (fuzz::TooLarge(size)) return 0;
  const std::string_view packet = fuzz::AsBytes(data, size);
  const XmpTexts texts = XmpPacket::ReadTexts(packet);
  std::string error;
  const XmpTexts changed{texts.Description + " 東京 & <b>", "", texts.Title};
  if (auto written = XmpPacket::WithTexts(packet, changed, 0xFFFF - 31, error)) {
    // Round trip: the texts written are the texts read back.
    const XmpTexts back = XmpPacket::ReadTexts(*written);
    if (back.Title != changed.Title || back.Category != changed.Category) std::abort();
  }
  // The keywords, rating and press fields read, then written back changed
  // (the keywords must come back as written).
  const XmpFields fields = XmpPacket::ReadFields(packet);
  XmpFieldEdits edits;
  edits.Keywords = fields.Keywords;
  edits.Keywords->push_back("长城, \"quoted\"");
  edits.Rating = int(size % 6);
  edits.Press[ByLine] = fields.Press[Copyright];
  if (auto written = XmpPacket::WithFields(packet, edits, 0xFFFF - 31, error))
    if (XmpPacket::ReadFields(*written).Keywords != *edits.Keywords) std::abort();
  // The packet merged into a small one of our own, and into itself.
  const std::string own = "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF "
                          "xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'><rdf:Description rdf:about='' "
                          "xmlns:xmp='http://ns.adobe.com/xap/1.0/' xmp:Rating='3'/></rdf:RDF></x:xmpmeta>";
  (void)XmpPacket::WithPropertiesOf(own, packet, 0xFFFF - 31, error);
  (void)XmpPacket::WithPropertiesOf(packet, packet, 0xFFFF - 31, error);
  return 0;
}
