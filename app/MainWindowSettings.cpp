#include "app/MainWindowSettings.h"

#include "platform/IniFile.h"
#include "platform/gui/UserMessages.h"
#include "settings/ColorNames.h"
#include "settings/LanguageTexts.h"
#include "settings/OptionsStore.h"
#include "settings/SettingsLocation.h"

namespace pixaldo {

OptionsStore& ViewerOptions() {
  static OptionsStore store = [] {
    OptionsStore loaded(OptionsFilePath());
    loaded.LoadSettings();
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
  return settings;
}

LanguageTexts& ViewerLanguageTexts() {
  static LanguageTexts texts = [] {
    LanguageTexts loaded;
    const IniFile file(LanguageFilePath());
    int language = ViewerOptions().Integer("Language");
    if (!LanguageSectionExists(file, language)) language = 0;
    loaded.Load(file, language);
    return loaded;
  }();
  return texts;
}

std::string LanguageText(int index) { return ViewerLanguageTexts().Utf8(index); }

}  // namespace pixaldo
