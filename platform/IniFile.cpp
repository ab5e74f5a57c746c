#include "platform/IniFile.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <system_error>

#include "platform/Cp1250.h"
#include "platform/FileError.h"
#include "platform/FileSystem.h"

namespace pixaldo {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr uint64_t kMaxFileSize = uint64_t(16) << 20;

// Upper-case Windows-1250 letters outside A-Z whose lower-case form is not
// the byte 0x20 above them.
struct CasePair {
  unsigned char upper;
  unsigned char lower;
};
constexpr std::array<CasePair, 10> kCasePairs{{
    {0x8A, 0x9A},  // Š š
    {0x8C, 0x9C},  // Ś ś
    {0x8D, 0x9D},  // Ť ť
    {0x8E, 0x9E},  // Ž ž
    {0x8F, 0x9F},  // Ź ź
    {0xA3, 0xB3},  // Ł ł
    {0xA5, 0xB9},  // Ą ą
    {0xAA, 0xBA},  // Ş ş
    {0xAF, 0xBF},  // Ż ż
    {0xBC, 0xBE},  // Ľ ľ
}};

// Nearest Windows-1250 text of Latin letters the code page lacks.
struct BestFit {
  char32_t ch;
  std::string_view text;
};
constexpr std::array<BestFit, 44> kBestFit{{
    {0x00C0, "A"},  {0x00C3, "A"},  {0x00C5, "A"},  {0x00C6, "AE"}, {0x00C8, "E"},  {0x00CA, "E"},
    {0x00CC, "I"},  {0x00CF, "I"},  {0x00D0, "D"},  {0x00D1, "N"},  {0x00D2, "O"},  {0x00D5, "O"},
    {0x00D8, "O"},  {0x00D9, "U"},  {0x00DB, "U"},  {0x00DE, "Th"}, {0x00E0, "a"},  {0x00E3, "a"},
    {0x00E5, "a"},  {0x00E6, "ae"}, {0x00E8, "e"},  {0x00EA, "e"},  {0x00EC, "i"},  {0x00EF, "i"},
    {0x00F0, "d"},  {0x00F1, "n"},  {0x00F2, "o"},  {0x00F5, "o"},  {0x00F8, "o"},  {0x00F9, "u"},
    {0x00FB, "u"},  {0x00FE, "th"}, {0x00FF, "y"},  {0x0152, "OE"}, {0x0153, "oe"}, {0x0178, "Y"},
    {0x00AA, "a"},  {0x00BA, "o"},  {0x00A1, "!"},  {0x00BF, "?"},  {0x00B9, "1"},  {0x00B2, "2"},
    {0x00B3, "3"},  {0x02BC, "'"},
}};

std::string_view Trim(std::string_view text) {
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

// The section name of a "[name]" line, or false.
bool SectionHeader(std::string_view line, std::string_view& name) {
  line = Trim(line);
  if (line.empty() || line.front() != '[') return false;
  line.remove_prefix(1);
  size_t close = line.find(']');
  name = Trim(close == std::string_view::npos ? line : line.substr(0, close));
  return true;
}

// The key of a "key=value" line, or false for comments and other lines.
bool KeyOfLine(std::string_view line, std::string_view& key) {
  std::string_view trimmed = Trim(line);
  if (trimmed.empty() || trimmed.front() == ';' || trimmed.front() == '[') return false;
  size_t equals = trimmed.find('=');
  if (equals == std::string_view::npos) return false;
  key = Trim(trimmed.substr(0, equals));
  return !key.empty();
}

std::string Sanitized(std::string_view value) {
  std::string out(value);
  for (char& c : out) {
    if (c == '\r' || c == '\n' || c == '\0') c = ' ';
  }
  return out;
}

}  // namespace

unsigned char LowerCp1250(unsigned char byte) {
  if (byte >= 'A' && byte <= 'Z') return byte + 0x20;
  if (byte >= 0xC0 && byte <= 0xDE && byte != 0xD7) return byte + 0x20;
  for (const CasePair& pair : kCasePairs) {
    if (pair.upper == byte) return pair.lower;
  }
  return byte;
}

bool SameTextCp1250(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return LowerCp1250(static_cast<unsigned char>(x)) == LowerCp1250(static_cast<unsigned char>(y));
         });
}

bool ParseIniInteger(std::string_view text, int& value) {
  text = Trim(text);
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  int base = 10;
  if (!text.empty() && text.front() == '$') {
    base = 16;
    text.remove_prefix(1);
  } else if (text.size() > 1 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  if (text.empty()) return false;
  uint64_t number = 0;
  for (char c : text) {
    int digit;
    if (c >= '0' && c <= '9') digit = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    else return false;
    number = number * base + digit;
    if (number > 0xFFFFFFFFu) return false;
  }
  if (base == 10) {
    if (number > (negative ? uint64_t(0x80000000u) : uint64_t(0x7FFFFFFF))) return false;
    value = negative ? int(-int64_t(number)) : int(number);
  } else {
    // Hexadecimal covers all 32 bits: "$FFFFFFFF" is -1.
    int32_t bits = static_cast<int32_t>(static_cast<uint32_t>(number));
    value = negative ? int(-int64_t(bits)) : bits;
  }
  return true;
}

std::string Utf8ToCp1250BestFit(std::string_view utf8) {
  std::string out;
  for (char32_t ch : DecodeUtf8(utf8)) {
    int byte = UnicodeToCp1250(ch);
    if (byte >= 0) {
      out += char(byte);
      continue;
    }
    auto fit = std::find_if(kBestFit.begin(), kBestFit.end(), [ch](const BestFit& f) { return f.ch == ch; });
    out += fit != kBestFit.end() ? fit->text : std::string_view("?");
  }
  return out;
}

IniFile::IniFile(std::filesystem::path fileName) : fileName_(std::move(fileName)) { Reload(); }

void IniFile::Reload() {
  lines_.clear();
  utf8_ = false;
  unreadable_.clear();
  std::error_code error;
  if (!std::filesystem::exists(fileName_, error)) return;
  std::string bytes;
  try {
    bytes = ReadWholeFile(fileName_, kMaxFileSize);
  } catch (const FileError& error) {
    // As with the private-profile routines, an unreadable file reads as
    // empty; UpdateFile then refuses to overwrite what it could not read.
    unreadable_ = "it could not be read: " + error.reason();
    return;
  }
  std::string_view text = bytes;
  if (text.substr(0, kUtf8Bom.size()) == kUtf8Bom) {
    utf8_ = true;
    text.remove_prefix(kUtf8Bom.size());
  }
  while (!text.empty()) {
    size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines_.emplace_back(line);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
}

std::string IniFile::ToFileText(std::string_view cp1250) const {
  return utf8_ ? Cp1250ToUtf8(cp1250) : std::string(cp1250);
}

std::string IniFile::FromFileText(std::string_view fileText) const {
  bool ascii = std::all_of(fileText.begin(), fileText.end(), [](char c) { return (c & 0x80) == 0; });
  return utf8_ && !ascii ? Utf8ToCp1250BestFit(fileText) : std::string(fileText);
}

std::vector<IniFile::Range> IniFile::Sections(std::string_view section) const {
  std::vector<Range> found;
  std::string wanted = Sanitized(Trim(section));
  for (size_t i = 0; i < lines_.size(); ++i) {
    std::string_view name;
    if (!SectionHeader(lines_[i], name) || !SameTextCp1250(FromFileText(name), wanted)) continue;
    size_t end = i + 1;
    std::string_view ignored;
    while (end < lines_.size() && !SectionHeader(lines_[end], ignored)) ++end;
    found.push_back({i, end});
  }
  return found;
}

bool IniFile::FindKey(std::string_view section, std::string_view key, size_t& line) const {
  auto sections = Sections(section);
  if (sections.empty()) return false;
  std::string wanted(Trim(key));
  for (size_t i = sections.front().header + 1; i < sections.front().end; ++i) {
    std::string_view name;
    if (KeyOfLine(lines_[i], name) && SameTextCp1250(FromFileText(name), wanted)) {
      line = i;
      return true;
    }
  }
  return false;
}

std::string IniFile::RawValue(size_t line) const {
  std::string_view text = lines_[line];
  std::string_view value = Trim(text.substr(text.find('=') + 1));
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return std::string(value);
}

bool IniFile::SectionExists(std::string_view section) const { return !ReadSection(section).empty(); }

std::vector<std::string> IniFile::ReadSection(std::string_view section) const {
  std::vector<std::string> keys;
  auto sections = Sections(section);
  if (sections.empty()) return keys;
  for (size_t i = sections.front().header + 1; i < sections.front().end; ++i) {
    std::string_view name;
    if (KeyOfLine(lines_[i], name)) keys.push_back(FromFileText(name));
  }
  return keys;
}

bool IniFile::ValueExists(std::string_view section, std::string_view key) const {
  size_t line;
  return FindKey(section, key, line);
}

std::string IniFile::ReadString(std::string_view section, std::string_view key, std::string_view defaultValue) const {
  size_t line;
  std::string value = FindKey(section, key, line) ? FromFileText(RawValue(line)) : std::string(defaultValue);
  if (value.size() > kMaxValueLength) value.resize(kMaxValueLength);
  return value;
}

std::string IniFile::ReadStringUtf8(std::string_view section, std::string_view key,
                                    std::string_view defaultUtf8) const {
  size_t line;
  if (!FindKey(section, key, line)) return std::string(defaultUtf8);
  if (!utf8_) return Cp1250ToUtf8(ReadString(section, key, ""));
  std::u32string text = DecodeUtf8(RawValue(line));
  if (text.size() > kMaxValueLength) text.resize(kMaxValueLength);
  return EncodeUtf8(text);
}

int IniFile::ReadInteger(std::string_view section, std::string_view key, int defaultValue) const {
  int value;
  return ParseIniInteger(ReadString(section, key, ""), value) ? value : defaultValue;
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool defaultValue) const {
  return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  std::string name = Sanitized(Trim(key));
  std::string line = ToFileText(name + "=" + Sanitized(value));
  size_t existing;
  if (FindKey(section, key, existing)) {
    lines_[existing] = line;
    return;
  }
  auto sections = Sections(section);
  if (sections.empty()) {
    if (!lines_.empty() && !Trim(lines_.back()).empty()) lines_.emplace_back();
    lines_.push_back(ToFileText("[" + Sanitized(Trim(section)) + "]"));
    lines_.push_back(line);
    return;
  }
  // After the section's last non-blank line, so blank lines stay between sections.
  size_t at = sections.front().end;
  while (at > sections.front().header + 1 && Trim(lines_[at - 1]).empty()) --at;
  lines_.insert(lines_.begin() + at, line);
}

void IniFile::WriteInteger(std::string_view section, std::string_view key, int value) {
  WriteString(section, key, std::to_string(value));
}

void IniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

void IniFile::EraseSection(std::string_view section) {
  auto sections = Sections(section);
  for (auto it = sections.rbegin(); it != sections.rend(); ++it) {
    lines_.erase(lines_.begin() + it->header, lines_.begin() + it->end);
  }
}

void IniFile::UpdateFile() {
  const std::string reason = "Unable to write to " + fileName_.string() + ": ";
  if (!unreadable_.empty()) throw FileError(fileName_, reason + unreadable_);
  std::string bytes = utf8_ ? std::string(kUtf8Bom) : std::string();
  for (const std::string& line : lines_) {
    bytes += line;
    bytes += "\r\n";
  }
  try {
    WriteFileAtomic(fileName_, bytes);
  } catch (const FileError& error) {
    throw FileError(fileName_, reason + error.reason());
  }
}

}  // namespace pixaldo
