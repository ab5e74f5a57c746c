#pragma once
// The code pages text is stored in inside photos (IPTC values, JPEG comments)
// besides UTF-8, and the two settings that decide how such text is read when
// nothing marks it and how it is written.
#include <optional>
#include <string>
#include <string_view>

namespace pixaldo {

enum class CodePage { Windows1250, Windows1252, Latin1, Utf8 };

// The name a message uses for the code page ("UTF-8", "Windows-1250", ...).
const char* CodePageName(CodePage page);

// Whether the bytes are valid UTF-8 (no overlong forms, no surrogates).
bool IsValidUtf8(std::string_view bytes);
// Whether they hold a byte of 0x80 or above.
bool HasNonAscii(std::string_view bytes);

struct DecodedText {
  std::string Utf8;
  bool Lossless = true;  // false when a byte has no character in the code page
};

// Stored bytes to UTF-8 text. A byte the code page leaves undefined (or a
// broken UTF-8 sequence) still gives a character, but the result is marked
// as not lossless.
DecodedText DecodeText(std::string_view bytes, CodePage page);
// UTF-8 text to stored bytes; nothing when a character has no byte in the code
// page or the text is not valid UTF-8.
std::optional<std::string> EncodeText(std::string_view utf8, CodePage page);

// The settings "IPTC text without a character-set mark" (Windows-1250 or
// Windows-1252) and "Write text in Windows-1250 for older programs". Read by
// the IPTC record and the comment codec; set by the viewer from its settings
// and by the command line from the same file.
struct TextSettings {
  CodePage UnmarkedIptc = CodePage::Windows1250;
  bool WriteWindows1250 = false;
};
TextSettings CurrentTextSettings();
void SetTextSettings(const TextSettings& settings);

// A JPEG comment's bytes as text: UTF-8 when they are valid UTF-8, else
// Windows-1250.
std::string CommentText(std::string_view bytes);
// The bytes a comment is written as: ASCII as it is; other text in UTF-8, or
// in Windows-1250 when the setting asks for it and the text fits that code page.
std::string CommentBytes(std::string_view utf8);

}  // namespace pixaldo
