#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>

#include "platform/Cp1250.h"
#include "settings/LanguageTexts.h"
#include "support/TestSupport.h"

namespace pixaldo {
namespace {

using test::TempDir;
using test::WriteBytes;

IniFile ShippedFile() { return IniFile(test::SourcePath("settings/Language.ini")); }

TEST(ShippedLanguageFile, EveryMappedKeyInEveryLanguage) {
  IniFile file = ShippedFile();
  ASSERT_TRUE(file.IsUtf8());
  for (int language = 0; language < kLanguageCount; ++language) {
    ASSERT_TRUE(LanguageSectionExists(file, language)) << language;
    LanguageTexts texts;
    texts.Load(file, language);
    for (const LanguageKeyUse& use : kLanguageKeyMap) {
      EXPECT_FALSE(texts[use.key].empty()) << kLanguageSections[size_t(language)] << " " << LanguageKey(use.key);
    }
    // Nothing outside the table's numbers.
    for (const std::string& key : file.ReadSection(kLanguageSections[size_t(language)])) {
      EXPECT_TRUE(key.size() == 3 && std::isdigit(key[0]) && std::stoi(key) < kLanguageTextCount) << key;
    }
  }
  // English and Czech have every text, the window's own messages included.
  std::vector<std::string> english = file.ReadSection(kLanguageSections[0]);
  std::vector<std::string> czech = file.ReadSection(kLanguageSections[1]);
  std::sort(english.begin(), english.end());
  std::sort(czech.begin(), czech.end());
  EXPECT_EQ(english, czech);
}

TEST(ShippedLanguageFile, AccessKeysOfTheInfoBarHeadingsDiffer) {
  IniFile file = ShippedFile();
  for (int language = 0; language < kLanguageCount; ++language) {
    LanguageTexts texts;
    texts.Load(file, language);
    std::set<unsigned char> keys;
    for (int key = 30; key <= 34; ++key) {
      const std::string& text = texts[key];
      size_t amp = text.find('&');
      ASSERT_TRUE(amp != std::string::npos && amp + 1 < text.size()) << language << " " << key;
      EXPECT_TRUE(keys.insert(LowerCp1250(static_cast<unsigned char>(text[amp + 1]))).second)
          << kLanguageSections[size_t(language)] << " " << text;
    }
  }
}

TEST(ShippedLanguageFile, CzechMatchesTheWindowTextsAndAccentsSurvive) {
  IniFile file = ShippedFile();
  LanguageTexts czech;
  czech.Load(file, 1);
  EXPECT_EQ(czech[30], "A&dres\xE1\xF8");
  EXPECT_EQ(czech[57], "Voliteln\xFD pom\xECr");
  EXPECT_EQ(czech[50], "Nastaven\xED programu");
  LanguageTexts french;
  french.Load(file, 2);
  EXPECT_EQ(french.Utf8(7), "Param\xC3\xA8tres");  // "è" has no Windows-1250 byte...
  EXPECT_EQ(french[7], "Parametres");              // ...so the byte text carries the plain letter
  EXPECT_EQ(french.Utf8(37), "\xC3\x89" "chelle :");
  EXPECT_EQ(french[37], "\xC9" "chelle :");
  LanguageTexts italian;
  italian.Load(file, 4);
  EXPECT_EQ(italian.Utf8(115), "Qualit\xC3\xA0");
}

TEST(ShippedLanguageFile, CopiedBesideTheBuiltPrograms) {
  auto copy = std::filesystem::path(PIXALDO_CLI_PATH).parent_path() / "Language.ini";
  EXPECT_EQ(test::ReadBytes(copy), test::ReadBytes(test::SourcePath("settings/Language.ini")));
}

TEST(LanguageTexts, Windows1250SectionNamesAreFound) {
  TempDir dir;
  WriteBytes(dir / "Language.ini",
             "[English]\r\n001=Open\r\n[\xC8" "e\x9Atina]\r\n001=Otev\xF8\xEDt\r\n"
             "[SLOVEN\xC8INA]\r\n001=Otvori\x9D\r\n122=Meranie\r\n");
  IniFile file(dir / "Language.ini");
  EXPECT_TRUE(LanguageSectionExists(file, 1));
  EXPECT_TRUE(LanguageSectionExists(file, 6));
  EXPECT_FALSE(LanguageSectionExists(file, 2));
  EXPECT_FALSE(LanguageSectionExists(file, 7));
  EXPECT_FALSE(LanguageSectionExists(file, -1));
  LanguageTexts texts;
  texts.Load(file, 1);
  EXPECT_EQ(texts[1], "Otev\xF8\xEDt");
  EXPECT_EQ(texts.Utf8(1), "Otev\xC5\x99\xC3\xADt");
  texts.Load(file, 6);
  EXPECT_EQ(texts[1], "Otvori\x9D");
  EXPECT_EQ(texts[122], "Meranie");
  EXPECT_EQ(texts[2], "");
  EXPECT_EQ(texts[123], "");
  EXPECT_EQ(texts[-1], "");
}

TEST(LanguageTexts, CropRatioItemsCarryTheNumbers) {
  LanguageTexts english;
  english.Load(ShippedFile(), 0);
  EXPECT_EQ(RatioItemText(english[57], 4, 5), "Custom ratio (4:5)");
  EXPECT_EQ(FixedSizeItemText(english[58], 640, 480), "Fixed size (640x480)");
  EXPECT_EQ(RatioItemText("", 1, 1), " (1:1)");
}

TEST(LanguageTexts, MissingSectionOrFileGivesEmptyTexts) {
  TempDir dir;
  // UTF-8 section names without the byte-order mark are not Windows-1250 names.
  WriteBytes(dir / "Language.ini", "[English]\n001=Open\n[\xC4\x8C" "e\xC5\xA1tina]\n001=x\n");
  IniFile file(dir / "Language.ini");
  LanguageTexts texts;
  texts.Load(file, 0);
  EXPECT_EQ(texts[1], "Open");
  EXPECT_FALSE(LanguageSectionExists(file, 1));
  for (int language : {1, 3, 9}) {
    texts.Load(file, language);
    for (int i = 0; i < kLanguageTextCount; ++i) EXPECT_EQ(texts[i], "") << language << " " << i;
  }
  IniFile none(dir / "missing.ini");
  EXPECT_FALSE(LanguageSectionExists(none, 0));
  texts.Load(none, 0);
  EXPECT_EQ(texts[1], "");
}

}  // namespace
}  // namespace pixaldo
