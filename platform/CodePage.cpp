#include "platform/CodePage.h"

#include <algorithm>
#include <array>
#include <atomic>

#include "platform/Cp1250.h"

namespace pixaldo {
namespace {

// Bytes 0x80..0x9F of Windows-1252 (0 where the code page has none); from
// 0xA0 on it is Latin-1.
constexpr std::array<char16_t, 32> kCp1252Controls = {
    0x20AC, 0x0000, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x0000, 0x017D, 0x0000, 0x0000, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x0000, 0x017E, 0x0178,
};

// The character of a byte, or nothing when the code page leaves it undefined.
std::optional<char32_t> CharacterOf(unsigned char byte, CodePage page) {
  if (byte < 0x80) return byte;
  switch (page) {
    case CodePage::Windows1250: {
      const char32_t ch = Cp1250ToUnicode(byte);
      if (ch == byte && byte < 0xA0) return std::nullopt;  // the five undefined bytes
      return ch;
    }
    case CodePage::Windows1252:
      if (byte >= 0xA0) return byte;
      if (char16_t mapped = kCp1252Controls[byte - 0x80]) return mapped;
      return std::nullopt;
    case CodePage::Latin1:
    case CodePage::Utf8: return byte;
  }
  return byte;
}

std::optional<unsigned char> ByteOf(char32_t ch, CodePage page) {
  if (ch < 0x80) return static_cast<unsigned char>(ch);
  switch (page) {
    case CodePage::Windows1250: {
      const int byte = UnicodeToCp1250(ch);
      if (byte < 0 || !CharacterOf(static_cast<unsigned char>(byte), page)) return std::nullopt;
      return static_cast<unsigned char>(byte);
    }
    case CodePage::Windows1252:
      if (ch >= 0xA0 && ch <= 0xFF) return static_cast<unsigned char>(ch);
      for (size_t i = 0; i < kCp1252Controls.size(); ++i)
        if (kCp1252Controls[i] && kCp1252Controls[i] == ch) return static_cast<unsigned char>(0x80 + i);
      return std::nullopt;
    case CodePage::Latin1:
      if (ch <= 0xFF) return static_cast<unsigned char>(ch);
      return std::nullopt;
    case CodePage::Utf8: return std::nullopt;
  }
  return std::nullopt;
}

std::atomic<CodePage> unmarkedIptc{CodePage::Windows1250};
std::atomic<bool> writeWindows1250{false};

}  // namespace

const char* CodePageName(CodePage page) {
  switch (page) {
    case CodePage::Windows1250: return "Windows-1250";
    case CodePage::Windows1252: return "Windows-1252";
    case CodePage::Latin1: return "ISO 8859-1";
    case CodePage::Utf8: return "UTF-8";
  }
  return "";
}

bool HasNonAscii(std::string_view bytes) {
  return std::any_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

bool IsValidUtf8(std::string_view bytes) {
  if (!HasNonAscii(bytes)) return true;
  const std::u32string decoded = DecodeUtf8(bytes);
  // A valid sequence decodes to U+FFFD only when it spells that character.
  if (decoded.find(U'\uFFFD') == std::u32string::npos) return true;
  return EncodeUtf8(decoded) == bytes;
}

DecodedText DecodeText(std::string_view bytes, CodePage page) {
  DecodedText result;
  if (!HasNonAscii(bytes)) {
    result.Utf8 = bytes;
    return result;
  }
  if (page == CodePage::Utf8) {
    result.Utf8 = EncodeUtf8(DecodeUtf8(bytes));
    result.Lossless = result.Utf8 == bytes;
    return result;
  }
  result.Utf8.reserve(bytes.size() * 2);
  for (char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    const std::optional<char32_t> ch = CharacterOf(byte, page);
    if (!ch) result.Lossless = false;
    AppendUtf8(result.Utf8, ch.value_or(page == CodePage::Windows1250 ? Cp1250ToUnicode(byte) : char32_t(byte)));
  }
  return result;
}

std::optional<std::string> EncodeText(std::string_view utf8, CodePage page) {
  if (!IsValidUtf8(utf8)) return std::nullopt;
  if (page == CodePage::Utf8 || !HasNonAscii(utf8)) return std::string(utf8);
  std::string bytes;
  for (char32_t ch : DecodeUtf8(utf8)) {
    const std::optional<unsigned char> byte = ByteOf(ch, page);
    if (!byte) return std::nullopt;
    bytes += char(*byte);
  }
  return bytes;
}

TextSettings CurrentTextSettings() { return {unmarkedIptc.load(), writeWindows1250.load()}; }

void SetTextSettings(const TextSettings& settings) {
  unmarkedIptc.store(settings.UnmarkedIptc);
  writeWindows1250.store(settings.WriteWindows1250);
}

std::string CommentText(std::string_view bytes) {
  if (IsValidUtf8(bytes)) return std::string(bytes);
  return Cp1250ToUtf8(bytes);
}

std::string CommentBytes(std::string_view utf8) {
  if (CurrentTextSettings().WriteWindows1250)
    if (std::optional<std::string> cp1250 = EncodeText(utf8, CodePage::Windows1250)) return *cp1250;
  return std::string(utf8);
}

}  // namespace pixaldo
