#pragma once
// Windows-1250 is the code page of the settings, the exports and the texts
// of older photos (see platform/CodePage.h for the others). These routines
// convert at the boundary between those bytes and UTF-8 (the GUI and the
// command line).
#include <optional>
#include <string>
#include <string_view>

namespace pixaldo {

// The Unicode character of one Windows-1250 byte. The five bytes the code page
// leaves undefined map to the C1 control of the same number, so every byte
// survives a round trip.
char32_t Cp1250ToUnicode(unsigned char byte);

// The Windows-1250 byte of a Unicode character, or -1 when it has none.
int UnicodeToCp1250(char32_t ch);

std::string Cp1250ToUtf8(std::string_view bytes);

struct Cp1250Result {
  std::string bytes;           // the converted text; unmappable characters as '?'
  std::u32string unmappable;   // characters that Windows-1250 cannot hold, in order, once each
  bool ok() const { return unmappable.empty(); }
};

// Converts UTF-8 text to Windows-1250. Invalid UTF-8 sequences count as
// U+FFFD, which is unmappable.
Cp1250Result Utf8ToCp1250(std::string_view utf8);

// Convenience for callers that must refuse text they cannot store: the bytes,
// or nothing when a character cannot be held.
std::optional<std::string> Utf8ToCp1250Strict(std::string_view utf8);

// Decodes UTF-8 into code points (invalid sequences become U+FFFD).
std::u32string DecodeUtf8(std::string_view utf8);
std::string EncodeUtf8(std::u32string_view text);
void AppendUtf8(std::string& out, char32_t ch);

}  // namespace pixaldo
