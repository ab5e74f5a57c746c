#pragma once
// The settings kept in Options.ini: the section "Options" with the keys of
// kOptionKeys (written in that order) and the section "Categories" with the
// predefined IPTC categories ("Count", "Item1", "Item2", ...). The settings
// dialog holds one store, loads it at start and on Cancel, and saves it on OK;
// everything else reads the values from it:
//
//   OptionsStore store(OptionsFilePath());   // settings/SettingsLocation.h
//   store.LoadSettings();                    // at start and on Cancel
//   store.Integer("CropProportion"); store.SetText("CropSuffix", "_c");
//   store.SaveSettings();                    // on OK; FileError when it fails
#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/ColorNames.h"

namespace pixaldo {

enum class OptionType { Boolean, Integer, Text, Color };

// What a stored integer outside its range becomes.
enum class OutOfRange {
  Clamp,       // the nearest end of the range (the up-down controls)
  UseDefault,  // the default (list indexes)
};

struct OptionKey {
  std::string_view name;
  OptionType type;
  int defaultNumber;             // Boolean (0/1) and Integer keys
  std::string_view defaultText;  // Text and Color keys
  int minimum = 0;
  int maximum = 0;
  OutOfRange outOfRange = OutOfRange::UseDefault;
  bool cutTo16Bits = false;      // the up-down positions hold 16 bits
};

inline constexpr std::string_view kOptionsSection = "Options";
inline constexpr std::string_view kCategoriesSection = "Categories";

// Every key of the section "Options", in the order they are written.
inline constexpr std::array<OptionKey, 23> kOptionKeys{{
    {"MaxCropFrame", OptionType::Boolean, 0, ""},
    {"OverwriteRotaFlip", OptionType::Boolean, 1, ""},
    {"OriginalFileDate", OptionType::Boolean, 1, ""},
    {"ThumbAuto", OptionType::Boolean, 1, ""},
    {"CropSuffix", OptionType::Text, 0, "_crop"},
    {"StretchFilter", OptionType::Integer, 0, "", 0, 4},
    {"AutoOrient", OptionType::Boolean, 1, ""},
    {"CropProportion", OptionType::Integer, 0, "", 0, 4},
    {"CropRatioN", OptionType::Integer, 1, "", 1, 25, OutOfRange::Clamp, true},
    {"CropRatioM", OptionType::Integer, 1, "", 1, 25, OutOfRange::Clamp, true},
    {"CropSizeN", OptionType::Integer, 16, "", 16, 4096, OutOfRange::Clamp, true},
    {"CropSizeM", OptionType::Integer, 16, "", 16, 4096, OutOfRange::Clamp, true},
    {"Language", OptionType::Integer, 0, "", 0, 6},
    {"FormColor", OptionType::Color, 0, "clGradientActiveCaption"},
    {"AlwaysTrim", OptionType::Boolean, 0, ""},  // edges a turn cannot turn are trimmed without asking
    // 0 Windows-1250, 1 Windows-1252 (Latin-1): how IPTC text without a
    // character-set mark is read when the photo does not tell.
    {"IptcUnmarkedCodePage", OptionType::Integer, 0, "", 0, 1},
    {"WriteWindows1250", OptionType::Boolean, 0, ""},
    {"FitMode", OptionType::Integer, 0, "", 0, 2},  // square, window, width
    {"EnlargeSmall", OptionType::Boolean, 0, ""},
    {"ColourManagement", OptionType::Boolean, 1, ""},
    {"RenderingIntent", OptionType::Integer, 0, "", 0, 3},
    {"BlackPointCompensation", OptionType::Boolean, 1, ""},
    {"ThumbnailGrid", OptionType::Boolean, 0, ""},  // the grid in place of the picture
}};

// The items behind "StretchFilter" and "CropProportion" as the settings
// dialog's definition holds them (Windows-1250), before the language texts
// replace them.
inline constexpr std::array<std::string_view, 5> kStretchFilterItems{
    "sfNearest", "sfLinear", "sfSpline", "sfLanczos", "sfMitchell"};
// The items behind "RenderingIntent", in the order of lcms2's intents.
inline constexpr std::array<std::string_view, 4> kRenderingIntentItems{
    "Perceptual", "Relative colorimetric", "Saturation", "Absolute colorimetric"};
inline constexpr std::array<std::string_view, 5> kCropProportionItems{
    "Bez omezen\xED", "Klasick\xE9 foto (2:3)", "Digit\xE1ln\xED foto (3:4)",
    "Voliteln\xFD pom\xECr (n:m)", "Pevn\xFD rozm\xECr (nxm)"};

// The key's description, or nothing for an unknown name (letter case aside).
const OptionKey* FindOptionKey(std::string_view name);

// Sorted order of the category list: letters without regard to case or
// accents first, then accents, then case, then the bytes.
bool CategoryLess(std::string_view a, std::string_view b);

class OptionsStore;
// Hands the two text settings of the store to the readers and writers of
// photo text (platform/CodePage.h).
void ApplyTextSettings(const OptionsStore& store);

class OptionsStore {
 public:
  explicit OptionsStore(std::filesystem::path fileName);

  const std::filesystem::path& FileName() const { return fileName_; }

  // Reads the file; missing keys, a missing file and values that are no
  // number give the defaults. The temporary options are not touched.
  void LoadSettings();
  // Rewrites the sections "Options" and "Categories" (keys added by hand to
  // them are dropped; other sections are kept) in one atomic write, creating
  // the folder when needed. Throws FileError "Unable to write to <file>: <why>".
  void SaveSettings() const;
  // Every stored setting back to its default (the categories emptied).
  void ResetToDefaults();

  // Values by key name. An unknown name or a value of another type is a
  // programming error (std::invalid_argument).
  bool Bool(std::string_view key) const;
  int Integer(std::string_view key) const;
  const std::string& Text(std::string_view key) const;
  ColorValue Color(std::string_view key) const;
  void SetBool(std::string_view key, bool value);
  // Applies the key's range rule, as loading does.
  void SetInteger(std::string_view key, int value);
  void SetText(std::string_view key, std::string value);
  void SetColor(std::string_view key, ColorValue value);
  // The value as it is written to the file ("1", "16", "_crop", "clNavy").
  std::string ValueText(std::string_view key) const;

  // The predefined categories, always in sorted order; duplicates allowed.
  const std::vector<std::string>& Categories() const { return categories_; }
  // Inserts in sorted order and gives the new item's index; an empty text is
  // not added (nothing is returned).
  std::optional<size_t> AddCategory(std::string text);
  // Removes an item; false when the index is out of range.
  bool DeleteCategory(size_t index);
  void SetCategories(std::vector<std::string> categories);

  // The temporary option: never stored, off at every start.
  bool OverwriteCropCheckBox = false;

 private:
  struct Value {
    int number = 0;
    std::string text;
  };
  size_t IndexOf(std::string_view key, OptionType type) const;
  static int Normalized(const OptionKey& key, int value);

  std::filesystem::path fileName_;
  std::array<Value, kOptionKeys.size()> values_;
  std::vector<std::string> categories_;
};

}  // namespace pixaldo
