#include <gtest/gtest.h>

#include "platform/FileError.h"
#include "settings/ColorNames.h"
#include "settings/OptionsStore.h"
#include "settings/SettingsLocation.h"
#include "support/TestSupport.h"

namespace pixaldo {
namespace {

using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

constexpr std::string_view kDefaultOptions =
    "[Options]\r\n"
    "MaxCropFrame=0\r\n"
    "OverwriteRotaFlip=1\r\n"
    "OriginalFileDate=1\r\n"
    "ThumbAuto=1\r\n"
    "CropSuffix=_crop\r\n"
    "StretchFilter=0\r\n"
    "AutoOrient=1\r\n"
    "CropProportion=0\r\n"
    "CropRatioN=1\r\n"
    "CropRatioM=1\r\n"
    "CropSizeN=16\r\n"
    "CropSizeM=16\r\n"
    "Language=0\r\n"
    "FormColor=clGradientActiveCaption\r\n"
    "AlwaysTrim=0\r\n"
    "IptcUnmarkedCodePage=0\r\n"
    "WriteWindows1250=0\r\n"
    "FitMode=0\r\n"
    "EnlargeSmall=0\r\n"
    "ColourManagement=1\r\n"
    "RenderingIntent=0\r\n"
    "BlackPointCompensation=1\r\n"
    "ThumbnailGrid=0\r\n";

TEST(OptionsStore, MissingFileGivesTheDefaults) {
  TempDir dir;
  OptionsStore store(dir / "Options.ini");
  store.SetInteger("CropSizeN", 64);
  store.AddCategory("Zoo");
  store.LoadSettings();
  EXPECT_FALSE(store.Bool("MaxCropFrame"));
  EXPECT_TRUE(store.Bool("OverwriteRotaFlip"));
  EXPECT_TRUE(store.Bool("OriginalFileDate"));
  EXPECT_TRUE(store.Bool("ThumbAuto"));
  EXPECT_EQ(store.Text("CropSuffix"), "_crop");
  EXPECT_EQ(store.Integer("StretchFilter"), 0);
  EXPECT_TRUE(store.Bool("AutoOrient"));
  EXPECT_EQ(store.Integer("CropProportion"), 0);
  EXPECT_EQ(store.Integer("CropRatioN"), 1);
  EXPECT_EQ(store.Integer("CropRatioM"), 1);
  EXPECT_EQ(store.Integer("CropSizeN"), 16);
  EXPECT_EQ(store.Integer("CropSizeM"), 16);
  EXPECT_EQ(store.Integer("Language"), 0);
  EXPECT_EQ(store.Color("FormColor"), kClGradientActiveCaption);
  EXPECT_EQ(store.Integer("IptcUnmarkedCodePage"), 0);
  EXPECT_FALSE(store.Bool("WriteWindows1250"));
  EXPECT_EQ(store.Integer("FitMode"), 0);  // an older file without it: the square fit
  EXPECT_FALSE(store.Bool("EnlargeSmall"));
  EXPECT_TRUE(store.Categories().empty());
  EXPECT_FALSE(store.OverwriteCropCheckBox);
  EXPECT_FALSE(store.Bool("AlwaysTrim"));
  EXPECT_FALSE(std::filesystem::exists(dir / "Options.ini"));
}

TEST(OptionsStore, CategoriesAreWrittenSortedAfterTheOptionsInTableOrder) {
  TempDir dir;
  OptionsStore store(dir / "Options.ini");
  store.LoadSettings();
  EXPECT_EQ(store.AddCategory("Zoo"), 0u);
  EXPECT_EQ(store.AddCategory("Auto"), 0u);
  EXPECT_EQ(store.AddCategory("Sea"), 1u);
  EXPECT_EQ(store.AddCategory(""), std::nullopt);
  store.SaveSettings();
  EXPECT_EQ(ReadBytes(dir / "Options.ini"),
            std::string(kDefaultOptions) + "\r\n[Categories]\r\nCount=3\r\nItem1=Auto\r\nItem2=Sea\r\nItem3=Zoo\r\n");

  OptionsStore again(dir / "Options.ini");
  again.LoadSettings();
  EXPECT_EQ(again.Categories(), (std::vector<std::string>{"Auto", "Sea", "Zoo"}));
  EXPECT_TRUE(again.DeleteCategory(0));
  EXPECT_FALSE(again.DeleteCategory(5));
  EXPECT_EQ(again.Categories(), (std::vector<std::string>{"Sea", "Zoo"}));
}

TEST(OptionsStore, SaveDropsHandAddedKeysOfItsSectionsAndKeepsOthers) {
  TempDir dir;
  auto file = dir / "Options.ini";
  WriteBytes(file,
             "[Mine]\r\nKeep=yes\r\n\r\n[Options]\r\nHandMade=1\r\nLanguage=5\r\nCropSuffix=_c\r\n\r\n"
             "[Categories]\r\nCount=1\r\nItem1=Sea\r\nExtra=x\r\n\r\n[After]\r\nAlso=kept\r\n");
  OptionsStore store(file);
  store.LoadSettings();
  EXPECT_EQ(store.Integer("Language"), 5);
  EXPECT_EQ(store.Text("CropSuffix"), "_c");
  store.OverwriteCropCheckBox = true;  // temporary: never written
  store.SaveSettings();
  std::string written = ReadBytes(file);
  EXPECT_EQ(written.find("HandMade"), std::string::npos);
  EXPECT_EQ(written.find("Extra"), std::string::npos);
  EXPECT_EQ(written.find("OverwriteCrop"), std::string::npos);
  EXPECT_EQ(written.rfind("[Mine]\r\nKeep=yes\r\n\r\n[After]\r\nAlso=kept\r\n\r\n[Options]\r\n", 0), 0u);
  EXPECT_NE(written.find("Language=5\r\n"), std::string::npos);
  EXPECT_NE(written.find("[Categories]\r\nCount=1\r\nItem1=Sea\r\n"), std::string::npos);
}

TEST(OptionsStore, OutOfRangeAndMalformedValues) {
  TempDir dir;
  auto file = dir / "Options.ini";
  WriteBytes(file,
             "[Options]\nMaxCropFrame=7\nOverwriteRotaFlip=no\nStretchFilter=9\nCropProportion=-1\n"
             "CropRatioN=65537\nCropRatioM=500\nCropSizeN=-3\nCropSizeM=1000\nLanguage=7\n"
             "FormColor=not a colour\nCropSuffix=\nFitMode=3\n[Categories]\nCount=2000000000\nItem1=Zoo\nItem2=auto\n");
  OptionsStore store(file);
  store.LoadSettings();
  EXPECT_TRUE(store.Bool("MaxCropFrame"));
  EXPECT_TRUE(store.Bool("OverwriteRotaFlip"));  // no number: the default
  EXPECT_EQ(store.Integer("StretchFilter"), 0);
  EXPECT_EQ(store.Integer("CropProportion"), 0);
  EXPECT_EQ(store.Integer("CropRatioN"), 1);  // 65537 cut to 16 bits
  EXPECT_EQ(store.Integer("CropRatioM"), 25);
  EXPECT_EQ(store.Integer("CropSizeN"), 16);
  EXPECT_EQ(store.Integer("CropSizeM"), 1000);
  EXPECT_EQ(store.Integer("Language"), 0);
  EXPECT_EQ(store.Color("FormColor"), kClGradientActiveCaption);
  EXPECT_EQ(store.Text("CropSuffix"), "");  // present but empty is not the default
  EXPECT_EQ(store.Integer("FitMode"), 0);
  // A count beyond the items present adds no empty categories (and a huge one
  // does not keep us reading missing keys).
  EXPECT_EQ(store.Categories(), (std::vector<std::string>{"auto", "Zoo"}));
}

TEST(OptionsStore, ColourNamesAndHexadecimalBothRead) {
  TempDir dir;
  auto file = dir / "Options.ini";
  for (auto [text, color, written] : std::initializer_list<std::tuple<const char*, ColorValue, const char*>>{
           {"clNavy", 0x800000, "clNavy"},
           {"CLBTNFACE", kSystemColorFlag | 15, "clBtnFace"},
           {"$00FF8040", 0xFF8040, "$00FF8040"},
           {"$000000FF", 0x0000FF, "clRed"},
           {"255", 0x0000FF, "clRed"},
           {"$FF00001B", kClGradientActiveCaption, "clGradientActiveCaption"},
       }) {
    WriteBytes(file, std::string("[Options]\nFormColor=") + text + "\n");
    OptionsStore store(file);
    store.LoadSettings();
    EXPECT_EQ(store.Color("FormColor"), color) << text;
    EXPECT_EQ(store.ValueText("FormColor"), written) << text;
  }
  EXPECT_EQ(ColorToRgb(kClGradientActiveCaption), (Rgb{0xB9, 0xD1, 0xEA}));
  EXPECT_EQ(ColorToRgb(0x00FF8040), (Rgb{0x40, 0x80, 0xFF}));
  EXPECT_EQ(ColorFromRgb({0x40, 0x80, 0xFF}), 0x00FF8040u);
  for (const NamedColor& named : kColorNames) EXPECT_EQ(ColorFromText(ColorToText(named.value)), named.value);
}

TEST(OptionsStore, UnwritableLocationGivesTheErrorText) {
  TempDir dir;
  test::WriteBytes(dir / "plain", "a file, not a folder");
  auto file = dir / "plain" / "Options.ini";
  OptionsStore store(file);
  try {
    store.SaveSettings();
    ADD_FAILURE() << "saving did not fail";
  } catch (const FileError& error) {
    EXPECT_EQ(error.reason(), "Unable to write to " + file.string() +
                                  ": cannot create a temporary file beside it: Not a directory");
  }
}

TEST(OptionsStore, AFileThatCannotBeReadIsNeverOverwritten) {
  TempDir dir;
  auto file = dir / "Options.ini";
  std::string huge = "[Options]\nLanguage=2\n" + std::string(size_t(17) << 20, ';');
  WriteBytes(file, huge);
  OptionsStore store(file);
  store.LoadSettings();
  EXPECT_EQ(store.Integer("Language"), 0);
  EXPECT_THROW(store.SaveSettings(), FileError);
  EXPECT_EQ(std::filesystem::file_size(file), huge.size());
}

TEST(OptionsStore, SavesIntoAMissingSettingsFolder) {
  TempDir dir;
  SetSettingsDirectory(dir / "config" / "pixaldo");
  OptionsStore store(OptionsFilePath());
  store.SaveSettings();
  SetSettingsDirectory({});
  EXPECT_EQ(ReadBytes(dir / "config" / "pixaldo" / "Options.ini"),
            std::string(kDefaultOptions) + "\r\n[Categories]\r\nCount=0\r\n");
}

TEST(SettingsLocation, ConfigFolderFollowsXdgConfigHome) {
  std::string savedXdg = getenv("XDG_CONFIG_HOME") ? getenv("XDG_CONFIG_HOME") : "";
  std::string savedHome = getenv("HOME") ? getenv("HOME") : "";
  setenv("XDG_CONFIG_HOME", "/xdg/conf", 1);
  setenv("HOME", "/home/someone", 1);
  EXPECT_EQ(UserConfigDirectory(), std::filesystem::path("/xdg/conf/pixaldo"));
  setenv("XDG_CONFIG_HOME", "relative/ignored", 1);
  EXPECT_EQ(UserConfigDirectory(), std::filesystem::path("/home/someone/.config/pixaldo"));
  unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(UserConfigDirectory(), std::filesystem::path("/home/someone/.config/pixaldo"));
  if (!savedXdg.empty()) setenv("XDG_CONFIG_HOME", savedXdg.c_str(), 1);
  setenv("HOME", savedHome.c_str(), 1);
  EXPECT_EQ(LanguageFilePath(), ProgramDirectory() / "Language.ini");
}

TEST(OptionsStore, UnknownKeysAndWrongTypesAreRefused) {
  OptionsStore store("unused.ini");
  EXPECT_THROW(store.Integer("NoSuchKey"), std::invalid_argument);
  EXPECT_THROW(store.Bool("CropSizeN"), std::invalid_argument);
  EXPECT_EQ(store.Integer("cropsizen"), 16);
}

TEST(CategoryOrder, AccentsAndCaseAreSecondary) {
  std::vector<std::string> items{"zoo", "\xC8" "echy", "Cesta", "auto", "Auto", "B"};
  OptionsStore store("unused.ini");
  store.SetCategories(items);
  EXPECT_EQ(store.Categories(),
            (std::vector<std::string>{"Auto", "auto", "B", "\xC8" "echy", "Cesta", "zoo"}));
}

}  // namespace
}  // namespace pixaldo
