#pragma once
// Where the two INI files live. Language.ini is shipped beside the program
// (once installed, in <prefix>/share/pixaldo/) and only read. Options.ini is
// kept beside the program when that folder is writable, else in
// $XDG_CONFIG_HOME/pixaldo (~/.config/pixaldo when the variable is unset or
// not an absolute path).
#include <filesystem>

namespace pixaldo {

// The folder of the running program.
std::filesystem::path ProgramDirectory();
// $XDG_CONFIG_HOME/pixaldo, or ~/.config/pixaldo; empty without a home folder.
std::filesystem::path UserConfigDirectory();
// The folder of Options.ini: the one set by SetSettingsDirectory, else the
// rule above.
std::filesystem::path SettingsDirectory();
// Puts Options.ini into another folder (tests, or a portable set-up); an
// empty path goes back to the rule above.
void SetSettingsDirectory(std::filesystem::path directory);

std::filesystem::path OptionsFilePath();
// Language.ini beside the program when it is there, else the installed
// <prefix>/share/pixaldo/Language.ini for a program in <prefix>/bin when that
// one is there, else the path beside the program (a missing file is then
// reported as usual).
std::filesystem::path LanguageFilePath(const std::filesystem::path& programDirectory);
std::filesystem::path LanguageFilePath();

}  // namespace pixaldo
