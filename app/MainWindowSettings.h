#pragma once
// Where the main window gets its settings and interface texts: the one
// settings store of the program, loaded from Options.ini at start, and the
// language table.
#include <string>

#include "app/MainForm.h"

namespace pixaldo {

class OptionsStore;
class LanguageTexts;

// The program's settings store (created and loaded on first use).
OptionsStore& ViewerOptions();

// The values the main window needs, read from the store now.
MainWindowSettings ReadMainWindowSettings();
// "Always trim" chosen in the question about unturned edges: stored and
// saved at once. Throws FileError when the settings cannot be saved.
void RememberAlwaysTrim();
// Keeps in the settings file whether the grid stands in place of the picture.
void KeepThumbnailGridChoice(bool shown);

// The interface texts of the chosen language (loaded on first use from
// Language.ini; the settings dialog loads another language into it).
LanguageTexts& ViewerLanguageTexts();

// Entry `index` of the interface texts as UTF-8; empty when missing.
std::string LanguageText(int index);

}  // namespace pixaldo
