#include "settings/SettingsLocation.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <system_error>

namespace pixaldo {
namespace {

std::filesystem::path& OverrideDirectory() {
  static std::filesystem::path directory;
  return directory;
}

std::filesystem::path HomeDirectory() {
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') return home;
  if (const passwd* entry = getpwuid(getuid()); entry != nullptr && entry->pw_dir != nullptr) return entry->pw_dir;
  return {};
}

}  // namespace

std::filesystem::path UserConfigDirectory() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg != nullptr && std::filesystem::path(xdg).is_absolute()) return std::filesystem::path(xdg) / "pixaldo";
  std::filesystem::path home = HomeDirectory();
  if (home.empty()) return {};
  return home / ".config" / "pixaldo";
}

std::filesystem::path ProgramDirectory() {
  std::error_code error;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return std::filesystem::current_path(error);
  return self.parent_path();
}

std::filesystem::path SettingsDirectory() {
  if (!OverrideDirectory().empty()) return OverrideDirectory();
  std::filesystem::path program = ProgramDirectory();
  if (::access(program.c_str(), W_OK) == 0) return program;
  std::filesystem::path config = UserConfigDirectory();
  return config.empty() ? program : config;
}

void SetSettingsDirectory(std::filesystem::path directory) { OverrideDirectory() = std::move(directory); }

std::filesystem::path OptionsFilePath() { return SettingsDirectory() / "Options.ini"; }

std::filesystem::path LanguageFilePath(const std::filesystem::path& programDirectory) {
  std::filesystem::path beside = programDirectory / "Language.ini";
  std::error_code error;
  if (std::filesystem::is_regular_file(beside, error)) return beside;
  std::filesystem::path installed =
      (programDirectory / ".." / "share" / "pixaldo" / "Language.ini").lexically_normal();
  if (std::filesystem::is_regular_file(installed, error)) return installed;
  return beside;
}

std::filesystem::path LanguageFilePath() { return LanguageFilePath(ProgramDirectory()); }

}  // namespace pixaldo
