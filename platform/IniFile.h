#pragma once
// An INI file with the rules of the Windows private-profile routines, which
// the settings and the language file have always been read with:
// - section and key names match without regard to letter case (Windows-1250
//   letters included) and without the blanks around them;
// - a value is the text after the first "=", without surrounding blanks and
//   without one pair of enclosing quotes, read up to 2,047 characters;
// - integers are decimal or hexadecimal ("$1F", "0x1F"); text that is no
//   number reads as the default; a boolean is an integer, any non-zero one
//   reads true, and is written as "1" or "0";
// - the first of several sections or keys of one name is the one read.
//
// Texts are Windows-1250 bytes. A file that starts with the UTF-8 byte-order
// mark is a UTF-8 file: its names and values are converted to Windows-1250
// when read (ReadStringUtf8 gives the unconverted text) and written back as
// UTF-8, so that such a file keeps its encoding.
//
// The file is read when the object is made (or on Reload); writes change the
// copy in memory, and UpdateFile replaces the file atomically with it. Lines
// that were not changed are written back as they were.
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace pixaldo {

class IniFile {
 public:
  static constexpr size_t kMaxValueLength = 2047;

  // Reads the file; a missing file is an empty one.
  explicit IniFile(std::filesystem::path fileName);

  const std::filesystem::path& FileName() const { return fileName_; }
  // Reads the file again, dropping changes not yet written.
  void Reload();
  // True when the file began with the UTF-8 byte-order mark.
  bool IsUtf8() const { return utf8_; }

  // True when the section holds at least one key.
  bool SectionExists(std::string_view section) const;
  // The key names of a section, in file order.
  std::vector<std::string> ReadSection(std::string_view section) const;
  bool ValueExists(std::string_view section, std::string_view key) const;

  std::string ReadString(std::string_view section, std::string_view key, std::string_view defaultValue) const;
  // The same value as UTF-8 text for display, with every character the file
  // holds (also those Windows-1250 has no byte for).
  std::string ReadStringUtf8(std::string_view section, std::string_view key, std::string_view defaultUtf8) const;
  int ReadInteger(std::string_view section, std::string_view key, int defaultValue) const;
  bool ReadBool(std::string_view section, std::string_view key, bool defaultValue) const;

  // Line breaks and NUL bytes in a value would split or cut the line; they
  // are written as blanks.
  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void WriteInteger(std::string_view section, std::string_view key, int value);
  void WriteBool(std::string_view section, std::string_view key, bool value);
  // Removes every section of that name with all its lines.
  void EraseSection(std::string_view section);

  // Replaces the file with the text in memory. Throws FileError with the
  // reason "Unable to write to <file>: <why>" when it cannot be written, and leaves
  // the file as it was. A file that existed but could not be read is never
  // overwritten.
  void UpdateFile();

 private:
  struct Range {
    size_t header;  // index of the "[name]" line
    size_t end;     // one past the section's last line
  };
  std::vector<Range> Sections(std::string_view section) const;
  // Index of the key's line in the first section of that name.
  bool FindKey(std::string_view section, std::string_view key, size_t& line) const;
  std::string RawValue(size_t line) const;
  std::string ToFileText(std::string_view cp1250) const;
  std::string FromFileText(std::string_view fileText) const;

  std::filesystem::path fileName_;
  std::vector<std::string> lines_;  // in the file's own encoding, without line ends
  bool utf8_ = false;
  std::string unreadable_;  // why the file that exists could not be read
};

// Windows-1250 text compared without regard to letter case.
bool SameTextCp1250(std::string_view a, std::string_view b);
// A Windows-1250 byte in lower case.
unsigned char LowerCp1250(unsigned char byte);
// Text as a 32-bit integer under the INI rules (decimal with optional sign,
// "$" or "0x" hexadecimal of up to 8 digits); nothing when it is no number.
bool ParseIniInteger(std::string_view text, int& value);
// UTF-8 text in Windows-1250, characters without a byte of their own written
// as their nearest letter ("è" as "e", "œ" as "oe") or else as "?".
std::string Utf8ToCp1250BestFit(std::string_view utf8);

}  // namespace pixaldo
