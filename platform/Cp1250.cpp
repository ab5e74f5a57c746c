#include "platform/Cp1250.h"

#include <algorithm>
#include <array>

namespace pixaldo {
namespace {

// Bytes 0x80..0xFF of Windows-1250; 0 marks the five undefined bytes.
constexpr std::array<char16_t, 128> kHighHalf = {
    0x20AC, 0x0000, 0x201A, 0x0000, 0x201E, 0x2026, 0x2020, 0x2021, 0x0000, 0x2030, 0x0160, 0x2039, 0x015A,
    0x0164, 0x017D, 0x0179, 0x0000, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x0000, 0x2122,
    0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A, 0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6,
    0x00A7, 0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B, 0x00B0, 0x00B1, 0x02DB, 0x0142,
    0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C, 0x0154,
    0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7, 0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD,
    0x00CE, 0x010E, 0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7, 0x0158, 0x016E, 0x00DA,
    0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF, 0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F, 0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4,
    0x0151, 0x00F6, 0x00F7, 0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,
};

// Plain ASCII reads the same in Windows-1250 and UTF-8, byte for byte.
bool IsAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

}  // namespace

char32_t Cp1250ToUnicode(unsigned char byte) {
  if (byte < 0x80) return byte;
  char16_t mapped = kHighHalf[byte - 0x80];
  return mapped ? char32_t(mapped) : char32_t(byte);
}

int UnicodeToCp1250(char32_t ch) {
  if (ch < 0x80) return int(ch);
  for (int i = 0; i < 128; ++i) {
    char16_t mapped = kHighHalf[i];
    if (mapped ? char32_t(mapped) == ch : char32_t(0x80 + i) == ch) return 0x80 + i;
  }
  return -1;
}

void AppendUtf8(std::string& out, char32_t ch) {
  if (ch < 0x80) {
    out += char(ch);
  } else if (ch < 0x800) {
    out += char(0xC0 | (ch >> 6));
    out += char(0x80 | (ch & 0x3F));
  } else if (ch < 0x10000) {
    out += char(0xE0 | (ch >> 12));
    out += char(0x80 | ((ch >> 6) & 0x3F));
    out += char(0x80 | (ch & 0x3F));
  } else {
    out += char(0xF0 | (ch >> 18));
    out += char(0x80 | ((ch >> 12) & 0x3F));
    out += char(0x80 | ((ch >> 6) & 0x3F));
    out += char(0x80 | (ch & 0x3F));
  }
}

std::string EncodeUtf8(std::u32string_view text) {
  std::string out;
  for (char32_t ch : text) AppendUtf8(out, ch);
  return out;
}

std::u32string DecodeUtf8(std::string_view utf8) {
  static constexpr char32_t kMinimum[4] = {0, 0x80, 0x800, 0x10000};
  std::u32string out;
  size_t i = 0;
  const size_t n = utf8.size();
  while (i < n) {
    unsigned char lead = static_cast<unsigned char>(utf8[i]);
    if (lead < 0x80) {
      out += char32_t(lead);
      ++i;
      continue;
    }
    int extra = (lead >> 5) == 0x6 ? 1 : (lead >> 4) == 0xE ? 2 : (lead >> 3) == 0x1E ? 3 : 0;
    bool valid = extra > 0 && i + extra < n;
    char32_t ch = lead & (0x3F >> extra);
    for (int k = 1; valid && k <= extra; ++k) {
      unsigned char next = static_cast<unsigned char>(utf8[i + k]);
      valid = (next & 0xC0) == 0x80;
      ch = (ch << 6) | (next & 0x3F);
    }
    if (!valid || ch < kMinimum[extra] || ch > 0x10FFFF || (ch >= 0xD800 && ch <= 0xDFFF)) {
      out += U'\uFFFD';
      ++i;
      continue;
    }
    out += ch;
    i += extra + 1;
  }
  return out;
}

std::string Cp1250ToUtf8(std::string_view bytes) {
  if (IsAscii(bytes)) return std::string(bytes);
  std::string out;
  out.reserve(bytes.size());
  for (char c : bytes) AppendUtf8(out, Cp1250ToUnicode(static_cast<unsigned char>(c)));
  return out;
}

Cp1250Result Utf8ToCp1250(std::string_view utf8) {
  Cp1250Result result;
  if (IsAscii(utf8)) {
    result.bytes = utf8;
    return result;
  }
  for (char32_t ch : DecodeUtf8(utf8)) {
    int byte = UnicodeToCp1250(ch);
    if (byte < 0) {
      result.bytes += '?';
      if (result.unmappable.find(ch) == std::u32string::npos) result.unmappable += ch;
    } else {
      result.bytes += char(byte);
    }
  }
  return result;
}

std::optional<std::string> Utf8ToCp1250Strict(std::string_view utf8) {
  Cp1250Result result = Utf8ToCp1250(utf8);
  if (!result.ok()) return std::nullopt;
  return std::move(result.bytes);
}

}  // namespace pixaldo
