#pragma once
// Text pieces of the XML the program writes (the one-file dump and the
// directory database). Values are held as Windows-1250 bytes; the files
// declare "iso-8859-2", so every piece produced here is already converted to
// ISO-8859-2, with a character reference for each character that code page
// lacks. Markup characters are escaped, "]]>" inside a CDATA section is
// split, and characters XML does not allow at all become "?".
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "exif/TagEntry.h"

namespace pixaldo {

// The declaration line of every XML file written.
inline constexpr const char* kXmlDeclaration = "<?xml version='1.0' encoding='iso-8859-2'?>";

// Element content: Windows-1250 bytes to escaped ISO-8859-2 text.
std::string XmlContent(std::string_view cp1250);

// The same for UTF-8 text (file names and paths).
std::string XmlContentUtf8(std::string_view utf8);

// A whole CDATA section ("<![CDATA[" ... "]]>") holding the bytes; characters
// that cannot stand inside it ("]]>", characters without an ISO-8859-2 form)
// are placed between two sections.
std::string XmlCdata(std::string_view cp1250);
std::string XmlCdataUtf8(std::string_view utf8);

// An element name: blanks and every character not allowed in a name (such as
// "/") become "_"; a name that may not start as it does gets a leading "_".
std::string XmlElementName(std::string_view name);

// A fragment of the dump: "   <element>", then per entry "   <Name>", the
// value line ("      " and the value; a CDATA section for datasets 105 and
// 120, headline and caption) and "   </Name>", then "   </element>". The
// values are Windows-1250 bytes, or UTF-8 text when `utf8Values`.
std::vector<std::string> XmlEntryLines(std::string_view element, const std::vector<TTagEntry>& entries,
                                       bool utf8Values = false);

// The ISO-8859-2 byte of a Unicode character, or -1 when it has none.
int UnicodeToIso88592(char32_t ch);

// Writes the declaration and the lines, each ending with CR LF, atomically.
// Throws FileError naming the file.
void WriteXmlFile(const std::filesystem::path& path, const std::vector<std::string>& lines);

}  // namespace pixaldo
