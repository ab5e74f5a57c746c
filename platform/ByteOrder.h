#pragma once
// Bounds-checked reads of 16- and 32-bit integers from a byte string, in
// either byte order. Positions are 0-based here; callers with 1-based
// positions subtract one. A read that would leave the string gives nothing.
#include <cstdint>
#include <optional>
#include <string_view>

namespace pixaldo {

inline std::optional<uint16_t> ReadU16(std::string_view bytes, size_t pos, bool bigEndian) {
  if (pos > bytes.size() || bytes.size() - pos < 2) return std::nullopt;
  auto b0 = static_cast<uint8_t>(bytes[pos]);
  auto b1 = static_cast<uint8_t>(bytes[pos + 1]);
  return bigEndian ? uint16_t(b0 << 8 | b1) : uint16_t(b1 << 8 | b0);
}

inline std::optional<uint32_t> ReadU32(std::string_view bytes, size_t pos, bool bigEndian) {
  if (pos > bytes.size() || bytes.size() - pos < 4) return std::nullopt;
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) {
    auto b = static_cast<uint8_t>(bytes[pos + (bigEndian ? i : 3 - i)]);
    v = (v << 8) | b;
  }
  return v;
}

inline std::optional<int32_t> ReadS32(std::string_view bytes, size_t pos, bool bigEndian) {
  auto v = ReadU32(bytes, pos, bigEndian);
  if (!v) return std::nullopt;
  return static_cast<int32_t>(*v);
}

// Writers for building byte strings (segments, TIFF blocks).
inline void AppendU16(std::string& out, uint16_t value, bool bigEndian) {
  char hi = char(value >> 8), lo = char(value & 0xFF);
  if (bigEndian) {
    out += hi;
    out += lo;
  } else {
    out += lo;
    out += hi;
  }
}

inline void AppendU32(std::string& out, uint32_t value, bool bigEndian) {
  for (int i = 0; i < 4; ++i) {
    int shift = bigEndian ? 24 - 8 * i : 8 * i;
    out += char((value >> shift) & 0xFF);
  }
}

// Overwrites two bytes at pos; false (and nothing written) when out of range.
inline bool PutU16(std::string& bytes, size_t pos, uint16_t value, bool bigEndian) {
  if (pos > bytes.size() || bytes.size() - pos < 2) return false;
  bytes[pos] = char(bigEndian ? value >> 8 : value & 0xFF);
  bytes[pos + 1] = char(bigEndian ? value & 0xFF : value >> 8);
  return true;
}

inline bool PutU32(std::string& bytes, size_t pos, uint32_t value, bool bigEndian) {
  if (pos > bytes.size() || bytes.size() - pos < 4) return false;
  for (int i = 0; i < 4; ++i) {
    int shift = bigEndian ? 24 - 8 * i : 8 * i;
    bytes[pos + i] = char((value >> shift) & 0xFF);
  }
  return true;
}

}  // namespace pixaldo
