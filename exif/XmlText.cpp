#include "exif/XmlText.h"

#include <array>

#include "platform/Cp1250.h"
#include "platform/FileSystem.h"

namespace pixaldo {
namespace {

// Bytes 0xA0..0xFF of ISO-8859-2 (below 0xA0 the code page equals Unicode).
constexpr std::array<char16_t, 96> kIso88592High = {
    0x00A0, 0x0104, 0x02D8, 0x0141, 0x00A4, 0x013D, 0x015A, 0x00A7, 0x00A8, 0x0160, 0x015E, 0x0164,
    0x0179, 0x00AD, 0x017D, 0x017B, 0x00B0, 0x0105, 0x02DB, 0x0142, 0x00B4, 0x013E, 0x015B, 0x02C7,
    0x00B8, 0x0161, 0x015F, 0x0165, 0x017A, 0x02DD, 0x017E, 0x017C, 0x0154, 0x00C1, 0x00C2, 0x0102,
    0x00C4, 0x0139, 0x0106, 0x00C7, 0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E,
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7, 0x0158, 0x016E, 0x00DA, 0x0170,
    0x00DC, 0x00DD, 0x0162, 0x00DF, 0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F, 0x0111, 0x0144, 0x0148, 0x00F3,
    0x00F4, 0x0151, 0x00F6, 0x00F7, 0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,
};

// Characters XML 1.0 does not allow in a document, not even as references.
bool ForbiddenInXml(char32_t ch) { return ch < 0x20 && ch != '\t' && ch != '\n' && ch != '\r'; }

std::string CharacterReference(char32_t ch) { return "&#" + std::to_string(uint32_t(ch)) + ";"; }

// One character as element content.
void AppendContent(std::string& out, char32_t ch) {
  switch (ch) {
    case '&': out += "&amp;"; return;
    case '<': out += "&lt;"; return;
    case '>': out += "&gt;"; return;
    case '\r': out += "&#13;"; return;
    default: break;
  }
  if (ForbiddenInXml(ch)) {
    out += '?';
    return;
  }
  int byte = UnicodeToIso88592(ch);
  if (byte >= 0)
    out += char(byte);
  else
    out += CharacterReference(ch);
}

bool NameStartChar(char ch) {
  return (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z') || ch == '_';
}

bool NameChar(char ch) { return NameStartChar(ch) || (ch >= '0' && ch <= '9') || ch == '-' || ch == '.'; }

std::u32string Cp1250Text(std::string_view cp1250) {
  std::u32string text;
  text.reserve(cp1250.size());
  for (char byte : cp1250) text += Cp1250ToUnicode(static_cast<unsigned char>(byte));
  return text;
}

std::string CdataSection(std::u32string_view text) {
  static constexpr std::string_view kOpen = "<![CDATA[", kClose = "]]>";
  std::string out(kOpen);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text.substr(i, 3) == U"]]>") {
      // "]]" stays in this section, ">" starts the next one.
      out += "]]";
      out += kClose;
      out += kOpen;
      out += '>';
      i += 2;
      continue;
    }
    char32_t ch = text[i];
    int byte = UnicodeToIso88592(ch);
    if (ForbiddenInXml(ch)) {
      out += '?';
    } else if (byte >= 0) {
      out += char(byte);
    } else {
      out += kClose;
      out += CharacterReference(ch);
      out += kOpen;
    }
  }
  out += kClose;
  return out;
}

}  // namespace

int UnicodeToIso88592(char32_t ch) {
  if (ch < 0xA0) return int(ch);
  for (size_t i = 0; i < kIso88592High.size(); ++i)
    if (char32_t(kIso88592High[i]) == ch) return int(0xA0 + i);
  return -1;
}

std::string XmlContent(std::string_view cp1250) {
  std::string out;
  out.reserve(cp1250.size());
  for (char byte : cp1250) AppendContent(out, Cp1250ToUnicode(static_cast<unsigned char>(byte)));
  return out;
}

std::string XmlContentUtf8(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (char32_t ch : DecodeUtf8(utf8)) AppendContent(out, ch);
  return out;
}

std::string XmlCdata(std::string_view cp1250) { return CdataSection(Cp1250Text(cp1250)); }

std::string XmlCdataUtf8(std::string_view utf8) { return CdataSection(DecodeUtf8(utf8)); }

std::string XmlElementName(std::string_view name) {
  std::string out;
  out.reserve(name.size() + 1);
  for (char ch : name) out += NameChar(ch) ? ch : '_';
  if (out.empty() || !NameStartChar(out.front())) out.insert(out.begin(), '_');
  return out;
}

std::vector<std::string> XmlEntryLines(std::string_view element, const std::vector<TTagEntry>& entries,
                                       bool utf8Values) {
  std::vector<std::string> lines;
  lines.push_back("   <" + std::string(element) + ">");
  for (const auto& entry : entries) {
    std::string name = XmlElementName(entry.Name);
    lines.push_back("   <" + name + ">");
    bool cdata = entry.Dataset == 105 || entry.Dataset == 120;
    std::string value = utf8Values ? (cdata ? XmlCdataUtf8(entry.Value) : XmlContentUtf8(entry.Value))
                                   : (cdata ? XmlCdata(entry.Value) : XmlContent(entry.Value));
    lines.push_back("      " + value);
    lines.push_back("   </" + name + ">");
  }
  lines.push_back("   </" + std::string(element) + ">");
  return lines;
}

void WriteXmlFile(const std::filesystem::path& path, const std::vector<std::string>& lines) {
  std::string text = kXmlDeclaration;
  text += "\r\n";
  for (const auto& line : lines) {
    text += line;
    text += "\r\n";
  }
  WriteFileAtomic(path, text);
}

}  // namespace pixaldo
