#pragma once
// A walk over the marker segments of a JPEG stream, from SOI to the first
// SOS or EOI, for readers that only look at a segment or two.
#include <cstdint>
#include <string_view>

#include "platform/ByteOrder.h"

namespace pixaldo {

inline bool IsFrameHeaderMarker(uint8_t marker) {
  return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// Markers that stand alone, without a length field.
inline bool IsStandaloneMarker(uint8_t marker) { return marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8); }

inline bool StartsWithSoi(std::string_view stream) {
  return stream.size() >= 2 && uint8_t(stream[0]) == 0xFF && uint8_t(stream[1]) == 0xD8;
}

// Calls visit(marker, position, payload) for each segment after SOI, fill
// bytes and standalone markers skipped; `position` is where the segment's
// 0xFF stands and `payload` follows the length field (cut short where the
// stream ends). Stops at SOS, EOI, anything that is no marker, or when
// visit returns false, and returns the position it stopped at (0 without
// SOI).
template <typename Visit>
size_t WalkJpegSegments(std::string_view stream, Visit visit) {
  if (!StartsWithSoi(stream)) return 0;
  size_t pos = 2;
  while (pos + 1 < stream.size() && uint8_t(stream[pos]) == 0xFF) {
    const uint8_t marker = uint8_t(stream[pos + 1]);
    if (marker == 0xFF || IsStandaloneMarker(marker)) {
      pos += marker == 0xFF ? 1 : 2;
      continue;
    }
    if (marker == 0xDA || marker == 0xD9) return pos;
    const auto length = ReadU16(stream, pos + 2, true);
    if (!length || *length < 2) return pos;
    if (!visit(marker, pos, stream.substr(pos + 4 > stream.size() ? stream.size() : pos + 4, *length - 2u))) return pos;
    pos += 2 + size_t(*length);
  }
  return pos;
}

// Where the first scan (its SOS marker) starts; npos when the segments end
// before one.
inline size_t FirstScanPosition(std::string_view stream) {
  const size_t pos = WalkJpegSegments(stream, [](uint8_t, size_t, std::string_view) { return true; });
  return pos + 1 < stream.size() && uint8_t(stream[pos]) == 0xFF && uint8_t(stream[pos + 1]) == 0xDA
             ? pos
             : std::string_view::npos;
}

}  // namespace pixaldo
