#pragma once
// The command table of pixaldo-cli and what its handlers share. Every command
// is one row of the table in CommandTable.cpp: its name, operands, summary,
// options and handler. The row drives argument checking, the help texts, the
// manual page and the shell completion, so they cannot drift apart; a new
// command is a new row and a handler in a file of its own.
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace pixaldo::cli {

struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// One --option: a flag when `value` is empty, else it takes a value named so in the help.
struct Option {
  std::string_view name;
  std::string_view value;
  std::string_view help;
  bool required = false;
};

// What a read command lists for one file. Printed as tab-separated lines, or
// with --json as an array of objects keyed by `columns` (an object of
// column 0 → column 1 when `keyed`); the columns named in `numeric` become
// JSON numbers.
struct Listing {
  std::vector<std::string_view> columns;
  bool keyed = false;
  std::set<std::string_view> numeric;
  std::vector<std::vector<std::string>> rows;  // UTF-8 text
  // Keyed listings: the keys whose value is a list (the row's fields after
  // the key; a JSON array) and the keys whose value is a number.
  std::set<std::string_view> listKeys{};
  std::set<std::string_view> numericKeys{};

  // Adds a row of Windows-1250 bytes (converted) or of UTF-8 text.
  void AddRow(const std::vector<std::string>& cp1250Fields);
  void AddTextRow(std::vector<std::string> utf8Fields) { rows.push_back(std::move(utf8Fields)); }
};

class Invocation;
// Handlers: the whole call, each FILE operand in turn (the worst exit status
// wins), or a listing of each FILE operand.
using WholeCall = int (*)(const Invocation&);
using EachFile = int (*)(const Invocation&, const std::filesystem::path& file);
using EachListing = Listing (*)(const Invocation&, const std::filesystem::path& file);
using Handler = std::variant<WholeCall, EachFile, EachListing>;

inline constexpr size_t kAnyNumber = static_cast<size_t>(-1);

struct Command {
  std::string_view name;
  std::string_view operands;  // as the usage line shows them, e.g. "FILE..."
  std::string_view summary;   // one line for --help
  std::vector<Option> options;
  size_t minOperands = 1;
  size_t maxOperands = 1;  // kAnyNumber: no limit
  Handler run;
  // The leading operands that are not files (EachFile and EachListing handlers get the rest one by one).
  size_t fixedOperands = 0;
};

const std::vector<Command>& CommandTable();
const Command* FindCommand(std::string_view name);
// "NAME [--opt VALUE]... OPERANDS": the usage line of one command.
std::string UsageLine(const Command& command);

// A command's arguments, checked against its row: options it does not know,
// options missing their value and a wrong number of operands are usage errors.
// "--" ends the options; "--name=VALUE" equals "--name VALUE".
class Invocation {
 public:
  Invocation(const Command& command, std::span<const std::string> words);
  const Command& command() const { return command_; }
  const std::vector<std::string>& Operands() const { return operands_; }
  const std::string& Operand(size_t index) const { return operands_.at(index); }
  bool Flag(std::string_view name) const { return flags_.count(std::string(name)) > 0; }
  // The option's value (the last one when it was given several times).
  std::optional<std::string> Value(std::string_view name) const;
  // Every value the option was given, in order.
  std::vector<std::string> Values(std::string_view name) const;
  bool HelpAsked() const { return help_; }

 private:
  const Option* Find(std::string_view name) const;
  const Command& command_;
  std::vector<std::string> operands_;
  std::set<std::string> flags_;
  std::map<std::string, std::vector<std::string>> values_;
  bool help_ = false;
};

// Runs a command row on its arguments: usage errors give 2, file errors 1
// (each reported on standard error naming the file).
int RunCommand(const Command& command, std::span<const std::string> words);

// Output helpers.
// "pixaldo-cli: FILE: REASON" on standard error, after what stdout holds so far.
void ReportFileError(const std::exception& error);
// Windows-1250 bytes to UTF-8, with the field escapes of tab-separated output.
std::string Field(const std::string& cp1250Bytes);
// Prints fields joined by tabs, each escaped with Field, and a line feed.
void PrintRow(const std::vector<std::string>& cp1250Fields);
// The same for fields that are UTF-8 text already.
void PrintTextRow(const std::vector<std::string>& utf8Fields);
void PrintText(std::string_view utf8);
// A line for standard error that belongs to the file in hand (a note, a
// failure): kept with that file's output when files run at once.
void PrintNote(std::string_view utf8);
// What a file's handler printed while it ran on a worker, to be printed
// in the order of the files once its turn comes.
struct CapturedOutput {
  std::string out, err;
};
// Collects PrintText and PrintNote of this thread into `into` for as long as
// it lives.
class CaptureOutput {
 public:
  explicit CaptureOutput(CapturedOutput& into);
  ~CaptureOutput();
  CaptureOutput(const CaptureOutput&) = delete;
  CaptureOutput& operator=(const CaptureOutput&) = delete;

 private:
  CapturedOutput* previous_;
};
// Prints listings as UTF-8 JSON: the one listing, or with `keyedByFile` an
// object of file name → listing.
void PrintJson(const std::vector<std::pair<std::string, Listing>>& listings, bool keyedByFile);
// A text argument as it is given, or UsageError when it is not valid UTF-8
// (`what` names the argument).
const std::string& ArgumentText(const std::string& text, const std::string& what);

// Help texts, all made from the table.
std::string GeneralHelp();
std::string CommandHelp(const Command& command);
std::string VersionText();
std::string BashCompletion();

}  // namespace pixaldo::cli
