#pragma once
// IPTC blocks built by hand and read back independently of the program: a
// dataset, a Photoshop image resource, an APP13 payload, an XMP packet, and
// the datasets a JPEG file's IPTC resources hold, for comparing them dataset
// by dataset.
#include <cstdint>
#include <string>
#include <vector>

namespace pixaldo::test {

// 0x1C, record, number, 16-bit length, value.
std::string IptcDataset(uint8_t record, uint8_t number, const std::string& value);
// "8BIM", id, empty name, 32-bit size, data padded to an even length.
std::string ImageResource(uint16_t id, const std::string& data);
// "Photoshop 3.0\0" and the resources.
std::string PhotoshopPayload(const std::string& resources);
struct StoredDataset {
  int record = 0;
  int number = 0;
  std::string value;
  bool operator==(const StoredDataset&) const = default;
};
// The datasets of every 0x0404 resource of every APP13 segment, in file order.
std::vector<StoredDataset> StoredDatasets(const std::string& jpeg);

// A minimal XMP packet with the given properties inside rdf:Description
// (namespaces dc, photoshop and xmp declared).
std::string XmpPacketWith(const std::string& properties);
// The APP1 payload of such a packet.
std::string XmpPayload(const std::string& packet);

}  // namespace pixaldo::test
