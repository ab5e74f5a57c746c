// The help texts and the bash completion, all made from the command table.
#include "cli/CliCommand.h"

namespace pixaldo::cli {
namespace {

struct ProgramOption {
  std::string_view name;
  std::string_view help;
};

constexpr ProgramOption kProgramOptions[] = {
    {"--help", "show this help; COMMAND --help or help COMMAND shows a command's"},
    {"--version", "show the version"},
    {"--bash-completion", "print the bash completion script"},
    {"--", "end the options: what follows is a file even when it starts with -"},
};

std::string OptionUsage(const Option& option) {
  std::string text = "--" + std::string(option.name);
  if (!option.value.empty()) text += " " + std::string(option.value);
  return option.required ? text : "[" + text + "]";
}

std::string Padded(std::string text, size_t width) {
  if (text.size() + 2 > width) return "  " + text + "\n" + std::string(width, ' ');
  return "  " + text + std::string(width - text.size() - 2, ' ');
}

std::string Words(const std::vector<std::string>& words) {
  std::string text;
  for (const auto& word : words) text += (text.empty() ? "" : " ") + word;
  return text;
}

}  // namespace

std::string UsageLine(const Command& command) {
  std::string line = std::string(command.name) + " " + std::string(command.operands);
  for (const Option& option : command.options) line += " " + OptionUsage(option);
  return line;
}

std::string GeneralHelp() {
  std::string text =
      "Usage: pixaldo-cli COMMAND ARGUMENT... [OPTION]...\n"
      "  or:  pixaldo-cli --version | --help | help COMMAND | COMMAND --help\n"
      "Inspect and edit the metadata of JPEG photos and transform them losslessly,\n"
      "as the Pixaldo viewer does, without windows.\n\nCommands:\n";
  for (const Command& command : CommandTable())
    text += "  " + UsageLine(command) + "\n        " + std::string(command.summary) + "\n";
  text += "\nOptions:\n";
  for (const auto& option : kProgramOptions) text += Padded(std::string(option.name), 22) + std::string(option.help) + "\n";
  text +=
      "\nSeveral files: each file's block starts with a line \"== FILE\"; the exit\n"
      "status is the worst of them.\n"
      "Exit status: 0 done, 1 a file could not be read or written, 2 a usage error.\n";
  return text;
}

std::string CommandHelp(const Command& command) {
  std::string text = "Usage: pixaldo-cli " + UsageLine(command) + "\n" + std::string(command.summary) + "\n\nOptions:\n";
  for (const Option& option : command.options) {
    std::string name = "--" + std::string(option.name);
    if (!option.value.empty()) name += " " + std::string(option.value);
    text += Padded(name, 24) + std::string(option.help) + (option.required ? " (required)" : "") + "\n";
  }
  text += Padded("--help", 24) + "show this help\n";
  return text;
}

std::string VersionText() { return "pixaldo-cli " PIXALDO_VERSION "\n"; }

// Completes commands, each command's options, and JPEG files and folders
// (any file for values named OUT and for the export command).
std::string BashCompletion() {
  std::vector<std::string> names;
  std::string cases;
  for (const Command& command : CommandTable()) {
    names.emplace_back(command.name);
    std::vector<std::string> options{"--help"}, fileValues, otherValues;
    for (const Option& option : command.options) {
      options.push_back("--" + std::string(option.name));
      if (option.value.empty()) continue;
      (option.value.rfind("OUT", 0) == 0 ? fileValues : otherValues).push_back("--" + std::string(option.name));
    }
    cases += "    " + std::string(command.name) + ") options=\"" + Words(options) + "\" files=\"" + Words(fileValues) +
             "\" values=\"" + Words(otherValues) + "\"" +
             (command.operands.rfind("DIRECTORY", 0) == 0 ? " pattern=" : "") + " ;;\n";
  }
  return "# bash completion for pixaldo-cli\n"
         "_pixaldo_cli() {\n"
         "  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}\n"
         "  local commands=\"" + Words(names) + " help\"\n"
         "  if ((COMP_CWORD == 1)); then\n"
         "    COMPREPLY=($(compgen -W \"$commands --help --version --bash-completion\" -- \"$cur\"))\n"
         "    return\n"
         "  fi\n"
         "  local options= files= values= pattern='!*.@([jJ][pP][gG]|[jJ][pP][eE][gG]|[jJ][pP][eE])'\n"
         "  case ${COMP_WORDS[1]} in\n" + cases +
         "    help) COMPREPLY=($(compgen -W \"$commands\" -- \"$cur\")); return ;;\n"
         "    *) return ;;\n"
         "  esac\n"
         "  if [[ \" $values \" == *\" $prev \"* ]]; then return; fi\n"
         "  if [[ \" $files \" == *\" $prev \"* ]]; then pattern=; fi\n"
         "  if [[ $cur == -* ]]; then\n"
         "    COMPREPLY=($(compgen -W \"$options\" -- \"$cur\"))\n"
         "    return\n"
         "  fi\n"
         "  compopt -o filenames 2>/dev/null\n"
         "  if [[ -z $pattern ]]; then COMPREPLY=($(compgen -f -- \"$cur\")); return; fi\n"
         "  local extglob_was; extglob_was=$(shopt -p extglob); shopt -s extglob\n"
         "  COMPREPLY=($(compgen -f -X \"$pattern\" -- \"$cur\") $(compgen -d -- \"$cur\"))\n"
         "  eval \"$extglob_was\"\n"
         "}\n"
         "complete -F _pixaldo_cli pixaldo-cli\n";
}

}  // namespace pixaldo::cli
