#pragma once
// The command table of pixaldo-cli. Each command lives in its own file and
// registers itself with a static CliCommandRegistration, so the tool grows by
// adding files, never by editing a central switch.
#include <functional>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace pixaldo::cli {

// Arguments after the command name: positional words and --options.
class Arguments {
 public:
  Arguments(std::vector<std::string> words) : words_(std::move(words)) {}
  // The Nth positional word (options and their values skipped); throws UsageError when missing.
  std::string Positional(size_t index) const;
  size_t PositionalCount() const;
  bool Flag(const std::string& name) const;  // --name present
  std::optional<std::string> Option(const std::string& name) const;  // --name VALUE
  // Options that take a value; every other word starting with "--" is a flag.
  void SetValueOptions(std::vector<std::string> names) { valueOptions_ = std::move(names); }
  // Throws UsageError for options not in the allowed lists.
  void Allow(const std::vector<std::string>& flags, const std::vector<std::string>& valueOptions);

 private:
  bool TakesValue(const std::string& word) const;
  std::vector<std::string> words_;
  std::vector<std::string> valueOptions_;
};

struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// A command returns the exit status; FileError thrown from it gives 1, UsageError 2.
using CommandFunction = std::function<int(Arguments&)>;

struct CommandInfo {
  CommandFunction run;
  std::string usage;
};

std::map<std::string, CommandInfo>& Commands();

struct CliCommandRegistration {
  CliCommandRegistration(const std::string& name, const std::string& usage, CommandFunction run) {
    Commands()[name] = CommandInfo{std::move(run), usage};
  }
};

// Output helpers.
// Windows-1250 bytes to UTF-8, with the field escapes of tab-separated output.
std::string Field(const std::string& cp1250Bytes);
// Prints fields joined by tabs, each escaped with Field, and a line feed.
void PrintRow(const std::vector<std::string>& cp1250Fields);
// The same for fields that are UTF-8 text already.
void PrintTextRow(const std::vector<std::string>& utf8Fields);
// Converts a UTF-8 argument to Windows-1250, or throws UsageError naming the
// characters it cannot hold.
std::string ArgumentToCp1250(const std::string& utf8, const std::string& what);

}  // namespace pixaldo::cli
