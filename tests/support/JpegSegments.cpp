#include "support/JpegSegments.h"

namespace pixaldo::test {

std::vector<MarkerSegment> MarkerSegments(const std::string& jpeg) {
  std::vector<MarkerSegment> segments;
  auto byte = [&](size_t pos) { return pos < jpeg.size() ? uint8_t(jpeg[pos]) : uint8_t(0); };
  if (byte(0) != 0xFF || byte(1) != 0xD8) return segments;
  segments.push_back({0xD8, 0, 2, {}});
  size_t pos = 2;
  while (pos + 4 <= jpeg.size() && byte(pos) == 0xFF) {
    const uint8_t marker = byte(pos + 1);
    const size_t length = size_t(byte(pos + 2)) << 8 | byte(pos + 3);
    if (length < 2 || pos + 2 + length > jpeg.size()) break;
    segments.push_back({marker, pos, length + 2, jpeg.substr(pos + 4, length - 2)});
    if (marker == 0xDA) break;
    pos += 2 + length;
  }
  return segments;
}

std::optional<std::string> FirstPayload(const std::string& jpeg, uint8_t marker) {
  for (const MarkerSegment& segment : MarkerSegments(jpeg))
    if (segment.marker == marker) return segment.payload;
  return std::nullopt;
}

int CountSegments(const std::string& jpeg, uint8_t marker) {
  int count = 0;
  for (const MarkerSegment& segment : MarkerSegments(jpeg)) count += segment.marker == marker;
  return count;
}

}  // namespace pixaldo::test
