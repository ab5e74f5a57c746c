#include "settings/LanguageTexts.h"

#include <cstdio>

namespace pixaldo {

std::string LanguageKey(int number) {
  char key[16];
  std::snprintf(key, sizeof key, "%03d", number);
  return key;
}

bool LanguageSectionExists(const IniFile& file, int languageIndex) {
  if (languageIndex < 0 || languageIndex >= kLanguageCount) return false;
  return file.SectionExists(kLanguageSections[static_cast<size_t>(languageIndex)]);
}

void LanguageTexts::Load(const IniFile& file, int languageIndex) {
  Clear();
  if (languageIndex < 0 || languageIndex >= kLanguageCount) return;
  std::string_view section = kLanguageSections[static_cast<size_t>(languageIndex)];
  for (int i = 0; i < kLanguageTextCount; ++i) {
    std::string key = LanguageKey(i);
    texts_[static_cast<size_t>(i)] = file.ReadString(section, key, "");
    utf8_[static_cast<size_t>(i)] = file.ReadStringUtf8(section, key, "");
  }
}

void LanguageTexts::Clear() {
  for (auto& text : texts_) text.clear();
  for (auto& text : utf8_) text.clear();
}

const std::string& LanguageTexts::Text(int number) const {
  static const std::string empty;
  return number >= 0 && number < kLanguageTextCount ? texts_[static_cast<size_t>(number)] : empty;
}

const std::string& LanguageTexts::Utf8(int number) const {
  static const std::string empty;
  return number >= 0 && number < kLanguageTextCount ? utf8_[static_cast<size_t>(number)] : empty;
}

std::string LanguageTexts::Utf8Or(int number, std::string_view english) const {
  const std::string& text = Utf8(number);
  return text.empty() ? std::string(english) : text;
}

std::string RatioItemText(std::string_view text057, int n, int m) {
  return std::string(text057) + " (" + std::to_string(n) + ":" + std::to_string(m) + ")";
}

std::string FixedSizeItemText(std::string_view text058, int n, int m) {
  return std::string(text058) + " (" + std::to_string(n) + "x" + std::to_string(m) + ")";
}

namespace {
constexpr LanguageWindow M = LanguageWindow::Main;
constexpr LanguageWindow S = LanguageWindow::Settings;
constexpr LanguageWindow D = LanguageWindow::Metadata;
}  // namespace

const std::array<LanguageKeyUse, 119> kLanguageKeyMap{{
    // Main window: command captions (also their hints).
    {1, M, "AppDirOpen"},
    {2, M, "AppDirDatabase"},
    {3, M, "AppPictureSize"},
    {4, M, "AppPrezentation"},
    {5, M, "AppNormal"},
    {6, M, "AppInfoBar"},
    {7, M, "AppOptions"},
    {8, M, "AppAbout"},
    {9, M, "AppExit"},
    {11, M, "FileMetadataShow"},
    {12, M, "FileRename"},
    {13, M, "FileDelete"},
    {14, M, "FileNext"},
    {15, M, "FilePrev"},
    {18, M, "JpgMetadataDelete"},
    {19, M, "JpgFlipHorizontal"},
    {20, M, "JpgFlipVertical"},
    {21, M, "JpgRotateLeft"},
    {22, M, "JpgRotateRight"},
    {26, M, "JpgRotateByExif"},
    {130, M, "AppZoomIn"},
    {131, M, "AppZoomOut"},
    {132, M, "AppZoomActual"},
    {133, M, "AppZoomFit"},
    {23, M, "JpgCrop"},
    {24, M, "JpgCropStyle"},
    {25, M, "JpgCropRatio"},
    // Main window: headings and labels of the info bar.
    {30, M, "Header1"},
    {31, M, "Header2"},
    {32, M, "Header3"},
    {33, M, "Header4"},
    {34, M, "Header5"},
    {35, M, "Header6"},
    {36, M, "Label21"},
    {37, M, "Label22"},
    {38, M, "Label23"},
    {39, M, "Label24"},
    {40, M, "Label25"},
    // Main window: row labels of the EXIF grid (shown with ":" added).
    {111, M, "GridExif[0]"},
    {112, M, "GridExif[1]"},
    {113, M, "GridExif[2]"},
    {114, M, "GridExif[3]"},
    {115, M, "GridExif[4]"},
    {116, M, "GridExif[5]"},
    {117, M, "GridExif[6]"},
    {118, M, "GridExif[7]"},
    {119, M, "GridExif[8]"},
    {120, M, "GridExif[9]"},
    {121, M, "GridExif[10]"},
    {122, M, "GridExif[11]"},
    // Settings dialog.
    {50, S, "FormOptions"},
    {51, S, "TabLang"},
    {51, S, "LangRadioGroup"},
    {52, S, "TabCrop"},
    {53, S, "CropRatioRadioGroup"},
    {54, S, "CropRatioRadioGroup[0]"},
    {55, S, "CropRatioRadioGroup[1]"},
    {56, S, "CropRatioRadioGroup[2]"},
    {57, S, "GroupBox2"},
    {57, S, "CropRatioRadioGroup[3]"},  // with " (N:M)" added
    {58, S, "GroupBox4"},
    {58, S, "CropRatioRadioGroup[4]"},  // with " (NxM)" added
    {59, S, "Label1"},
    {59, S, "Label3"},
    {60, S, "Label2"},
    {60, S, "Label4"},
    {61, S, "TabShow"},
    {62, S, "AutoOrientCheckBox"},
    {64, S, "StretchRadioGroup"},
    {65, S, "StretchRadioGroup[0]"},
    {66, S, "StretchRadioGroup[1]"},
    {67, S, "StretchRadioGroup[2]"},
    {68, S, "StretchRadioGroup[3]"},
    {69, S, "StretchRadioGroup[4]"},
    {70, S, "TabSave"},
    {71, S, "OverwriteCheckBox"},
    {72, S, "OldDateCheckBox"},
    {73, S, "ThumbAutoCheckBox"},
    {74, S, "SuffixCropLabel"},
    {75, S, "TempOptionsGroupBox"},
    {76, S, "TrimCheckBox"},
    {77, S, "OverwriteCropCheckBox"},
    {134, S, "EnlargeSmallCheckBox"},
    {78, S, "TabIptc"},
    {79, S, "CategoryGroupBox"},
    {80, S, "AddCategoryBtn"},
    {81, S, "DelCategoryBtn"},
    // Metadata dialog.
    {82, D, "FormMetaData"},
    {83, D, "BtnXML"},
    {84, D, "InfoPage[0]"},
    {85, D, "LblGenericData"},
    {86, D, "LblMakerData"},
    {87, D, "BtnLoadExif"},
    {88, D, "BtnDelExif"},
    {89, D, "InfoPage[1]"},
    {90, D, "LblThumbData"},
    {91, D, "LblThumbImage"},  // also the start of the thumbnail size caption
    {92, D, "BtnRestoreThumb"},
    {93, D, "InfoPage[2]"},
    {94, D, "LblComment"},
    {95, D, "BtnWriteComment"},
    {96, D, "BtnDelComment"},
    {97, D, "InfoPage[3]"},
    {98, D, "LblTagName"},
    {99, D, "LblTagValue"},
    {100, D, "BtnDelIptc"},
    {101, D, "InfoPage[4]"},
    {102, D, "LblSegment"},
    {103, D, "LblMarker"},
    {104, D, "LblOffset"},
    {105, D, "LblLength"},
    // Settings window: text in photos.
    {140, S, "UnmarkedCodePageRadioGroup"},
    {141, S, "UnmarkedCodePageRadioGroup[0]"},
    {142, S, "UnmarkedCodePageRadioGroup[1]"},
    {143, S, "WriteCp1250CheckBox"},
    // Colour management.
    {123, S, "ColourCheckBox"},
    {124, S, "IntentLabel"},
    {125, S, "BpcCheckBox"},
    {126, D, "InfoPage[5]"},
}};

}  // namespace pixaldo
