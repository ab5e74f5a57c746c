#include "app/MainWindowSettings.h"

#include "colour/gui/ScreenColour.h"
#include "platform/FileError.h"
#include "platform/IniFile.h"
#include "platform/gui/UserMessages.h"
#include "settings/ColorNames.h"
#include "settings/LanguageTexts.h"
#include "settings/OptionsStore.h"
#include "settings/SettingsLocation.h"
#include "settings/gui/DlgOptions.h"

namespace pixaldo {

OptionsStore& ViewerOptions() {
  static OptionsStore store = [] {
    OptionsStore loaded(OptionsFilePath());
    loaded.LoadSettings();
    ApplyTextSettings(loaded);
    return loaded;
  }();
  return store;
}

MainWindowSettings ReadMainWindowSettings() {
  const OptionsStore& options = ViewerOptions();
  MainWindowSettings settings;
  const Rgb rgb = ColorToRgb(options.Color("FormColor"));
  settings.FormColor = QColor(rgb.red, rgb.green, rgb.blue);
  for (const std::string& category : options.Categories()) settings.Categories << FromCp1250(category);
  settings.CropProportion = options.Integer("CropProportion");
  settings.CropRatioN = options.Integer("CropRatioN");
  settings.CropRatioM = options.Integer("CropRatioM");
  settings.CropSizeN = options.Integer("CropSizeN");
  settings.CropSizeM = options.Integer("CropSizeM");
  settings.StretchFilter = unsigned(options.Integer("StretchFilter"));
  settings.MaxCropFrame = options.Bool("MaxCropFrame");
  settings.OriginalFileDate = options.Bool("OriginalFileDate");
  settings.OverwriteRotaFlip = options.Bool("OverwriteRotaFlip");
  settings.ThumbAuto = options.Bool("ThumbAuto");
  settings.AutoOrient = options.Bool("AutoOrient");
  settings.FitMode = options.Integer("FitMode");
  settings.EnlargeSmall = options.Bool("EnlargeSmall");
  settings.Colour = ScreenColourTarget(options);
  settings.CropSuffix = FromCp1250(options.Text("CropSuffix"));
  settings.AlwaysTrim = options.Bool("AlwaysTrim");
  settings.OverwriteCropCheckBox = options.OverwriteCropCheckBox;
  settings.ThumbnailGrid = options.Bool("ThumbnailGrid");
  return settings;
}

void RememberAlwaysTrim() {
  OptionsStore& options = ViewerOptions();
  options.SetBool("AlwaysTrim", true);
  options.SaveSettings();
}

void KeepThumbnailGridChoice(bool shown) {
  OptionsStore& options = ViewerOptions();
  options.SetBool("ThumbnailGrid", shown);
  try {
    options.SaveSettings();
  } catch (const FileError&) {
    // The choice is a convenience: the window works the same without it.
  }
}

LanguageTexts& ViewerLanguageTexts() {
  // One table for the whole program: the settings window fills it as it is
  // made and whenever another language is chosen. Without that window (as in
  // some tests) the chosen language is loaded here, once.
  static const bool loaded = [] {
    LanguageTexts& texts = ProgramLanguageTexts();
    bool empty = true;
    for (int i = 0; i < kLanguageTextCount && empty; ++i) empty = texts.Text(i).empty();
    if (empty) {
      const IniFile file(LanguageFilePath());
      int language = ViewerOptions().Integer("Language");
      if (!LanguageSectionExists(file, language)) language = 0;
      texts.Load(file, language);
    }
    return true;
  }();
  (void)loaded;
  return ProgramLanguageTexts();
}

std::string LanguageText(int index) { return ViewerLanguageTexts().Utf8(index); }

}  // namespace pixaldo
