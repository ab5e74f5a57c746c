#pragma once
// An independent walk over the marker segments of a JPEG byte string, for
// tests that check what a command left in a file.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pixaldo::test {

struct MarkerSegment {
  uint8_t marker = 0;   // 0xE1 for APP1, ...
  size_t offset = 0;    // position of the 0xFF
  size_t size = 0;      // 2 for SOI, else length field + 2
  std::string payload;  // the bytes after the length field
};

// SOI and the segments up to and including SOS (the walk stops there or at
// the first byte that is no marker).
std::vector<MarkerSegment> MarkerSegments(const std::string& jpeg);
// The payload of the first segment with the marker; nothing when none.
std::optional<std::string> FirstPayload(const std::string& jpeg, uint8_t marker);
// How many segments with the marker lie before SOS.
int CountSegments(const std::string& jpeg, uint8_t marker);

}  // namespace pixaldo::test
