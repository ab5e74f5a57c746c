#include "support/IptcBlocks.h"

#include "support/JpegSegments.h"

namespace pixaldo::test {

using std::string_literals::operator""s;

std::string IptcDataset(uint8_t record, uint8_t number, const std::string& value) {
  return "\x1C"s + char(record) + char(number) + char(value.size() >> 8) + char(value.size() & 0xFF) + value;
}

std::string ImageResource(uint16_t id, const std::string& data) {
  std::string out = "8BIM"s + char(id >> 8) + char(id & 0xFF) + "\0\0"s;
  out += char(data.size() >> 24);
  out += char((data.size() >> 16) & 0xFF);
  out += char((data.size() >> 8) & 0xFF);
  out += char(data.size() & 0xFF);
  out += data;
  if (data.size() % 2) out += '\0';
  return out;
}

std::string PhotoshopPayload(const std::string& resources) { return "Photoshop 3.0\0"s + resources; }

std::vector<StoredDataset> StoredDatasets(const std::string& jpeg) {
  std::vector<StoredDataset> datasets;
  auto u = [](const std::string& s, size_t at) { return at < s.size() ? size_t(uint8_t(s[at])) : size_t(0); };
  for (const MarkerSegment& segment : MarkerSegments(jpeg)) {
    if (segment.marker != 0xED || segment.payload.rfind("Photoshop 3.0\0"s, 0) != 0) continue;
    const std::string& p = segment.payload;
    size_t pos = 14;
    while (pos + 12 <= p.size() && p.compare(pos, 4, "8BIM") == 0) {
      const size_t id = u(p, pos + 4) << 8 | u(p, pos + 5);
      const size_t sizeAt = pos + 6 + ((u(p, pos + 6) + 2) & ~size_t(1));
      const size_t size = u(p, sizeAt) << 24 | u(p, sizeAt + 1) << 16 | u(p, sizeAt + 2) << 8 | u(p, sizeAt + 3);
      const size_t data = sizeAt + 4;
      if (data + size > p.size()) break;
      for (size_t at = data; id == 0x0404 && at + 5 <= data + size && u(p, at) == 0x1C;) {
        const size_t length = u(p, at + 3) << 8 | u(p, at + 4);
        datasets.push_back({int(u(p, at + 1)), int(u(p, at + 2)), p.substr(at + 5, length)});
        at += 5 + length;
      }
      pos = data + size + (size % 2);
    }
  }
  return datasets;
}

std::string XmpPacketWith(const std::string& properties) {
  return "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'>"
         "<rdf:Description rdf:about='' xmlns:dc='http://purl.org/dc/elements/1.1/' "
         "xmlns:photoshop='http://ns.adobe.com/photoshop/1.0/' xmlns:xmp='http://ns.adobe.com/xap/1.0/'>" +
         properties + "</rdf:Description></rdf:RDF></x:xmpmeta>";
}

std::string XmpPayload(const std::string& packet) { return "http://ns.adobe.com/xap/1.0/\0"s + packet; }

}  // namespace pixaldo::test
