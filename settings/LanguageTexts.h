#pragma once
// The interface texts of one language, read from Language.ini: the section of
// the language (names below, matched as Windows-1250 bytes without regard to
// case) holds the keys "000" to "279". A missing key is an empty text.
#include <array>
#include <string>
#include <string_view>

#include "platform/IniFile.h"

namespace pixaldo {

inline constexpr int kLanguageTextCount = 280;
inline constexpr int kLanguageCount = 7;

// Section names by language index (the setting "Language"), Windows-1250.
inline constexpr std::array<std::string_view, kLanguageCount> kLanguageSections{
    "English", "\xC8" "e\x9Atina", "Fran\xE7" "ais", "Nederlands", "Italiano", "Deutsch", "Sloven\xE8" "ina"};
// The items of the language list in the settings dialog; never translated.
inline constexpr std::array<std::string_view, kLanguageCount> kLanguageItems{
    "English (default)", "\xC8" "e\x9Atina", "Fran\xE7" "ais", "Nederlands", "Italiano", "Deutsch", "Sloven\xE8" "ina"};

// The language code of each language, for the toolkit's own translations.
inline constexpr std::array<std::string_view, kLanguageCount> kLanguageCodes{"en", "cs", "fr", "nl", "it", "de", "sk"};

// The key of a text: its number with three digits ("007").
std::string LanguageKey(int number);

// Whether the file has the section of the language (false for an index
// outside 0..6).
bool LanguageSectionExists(const IniFile& file, int languageIndex);

class LanguageTexts {
 public:
  // Reads keys "000" to "279" of the language's section; without the section
  // every text is empty.
  void Load(const IniFile& file, int languageIndex);
  void Clear();

  // Text number 0..279 as Windows-1250 bytes; empty for other numbers.
  const std::string& Text(int number) const;
  const std::string& operator[](int number) const { return Text(number); }
  // The same text as UTF-8 for the windows. From a UTF-8 Language.ini it
  // keeps letters that Windows-1250 has no byte for (French "è", Italian "à").
  const std::string& Utf8(int number) const;
  // The same, or `english` where the language has no such text (a section
  // made before the text was added).
  std::string Utf8Or(int number, std::string_view english) const;

 private:
  std::array<std::string, kLanguageTextCount> texts_;
  std::array<std::string, kLanguageTextCount> utf8_;
};

// Items 3 and 4 of the crop ratio list: text 057 with " (N:M)" and text 058
// with " (NxM)" added. The texts may be Windows-1250 or UTF-8.
std::string RatioItemText(std::string_view text057, int n, int m);
std::string FixedSizeItemText(std::string_view text058, int n, int m);

// Which window control takes which text.
enum class LanguageWindow { Main, Settings, Metadata };

struct LanguageKeyUse {
  int key;
  LanguageWindow window;
  // The control's object name; "Name[i]" is item, page or row i of it, and
  // "FormOptions" / "FormMetaData" stand for the dialog's own caption.
  std::string_view target;
};

extern const std::array<LanguageKeyUse, 119> kLanguageKeyMap;

}  // namespace pixaldo
