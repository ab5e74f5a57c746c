// pixaldo-cli: the viewer's core without windows.
#include <iostream>
#include <string>
#include <vector>

#include "cli/CliCommand.h"
#include "settings/OptionsStore.h"
#include "settings/SettingsLocation.h"
#include "thumbnails/ThumbnailCache.h"

namespace {

using namespace pixaldo::cli;

int UnknownCommand(const std::string& name) {
  std::cerr << "pixaldo-cli: unknown command " << name << " (pixaldo-cli --help lists them)\n";
  return 2;
}

// help, help COMMAND
int Help(const std::vector<std::string>& words) {
  if (words.size() > 1) {
    std::cerr << "pixaldo-cli help: too many arguments\nusage: pixaldo-cli help [COMMAND]\n";
    return 2;
  }
  if (words.empty()) {
    PrintText(GeneralHelp());
    return 0;
  }
  const Command* command = FindCommand(words[0]);
  if (!command) return UnknownCommand(words[0]);
  PrintText(CommandHelp(*command));
  return 0;
}

// The program's own options, each alone on the command line.
int ProgramOption(const std::string& option) {
  if (option == "--help") PrintText(GeneralHelp());
  else if (option == "--version") PrintText(VersionText());
  else if (option == "--bash-completion") PrintText(BashCompletion());
  else return UnknownCommand(option);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> words(argv + 1, argv + argc);
  if (words.empty()) {
    std::cerr << GeneralHelp();
    return 2;
  }
  const std::vector<std::string> rest(words.begin() + 1, words.end());
  if (words[0] == "help") return Help(rest);
  if (words[0].rfind("-", 0) == 0) {
    if (!rest.empty()) {
      std::cerr << "pixaldo-cli: " << words[0] << " takes no arguments\n";
      return 2;
    }
    return ProgramOption(words[0]);
  }
  const Command* command = FindCommand(words[0]);
  if (!command) return UnknownCommand(words[0]);
  // Photo text is read and written as the viewer's settings say.
  pixaldo::OptionsStore options(pixaldo::OptionsFilePath());
  options.LoadSettings();
  pixaldo::ApplyTextSettings(options);
  pixaldo::InstallThumbnailRefresh();  // a photo written here loses its stale thumbnails
  return RunCommand(*command, rest);
}
