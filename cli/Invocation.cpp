// Checks a command's arguments against its row of the table and runs it.
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <set>
#include <thread>

#include "cli/CliCommand.h"
#include "platform/FileError.h"
#include "platform/OrderedWork.h"
#include "platform/WriteBatch.h"

namespace pixaldo::cli {

void ReportFileError(const std::exception& error) { PrintNote("pixaldo-cli: " + std::string(error.what()) + "\n"); }

namespace {

bool IsOption(const std::string& word) { return word.size() > 1 && word[0] == '-'; }

std::string OptionName(const std::string& word) {
  if (word.rfind("--", 0) != 0) throw UsageError("unknown option " + word);
  return word.substr(2, word.find('=') - 2);
}

// Whether two operands name the same file: such a list runs one file at a
// time, so that each command on it sees what the one before wrote.
bool NamesAFileTwice(const std::vector<std::string>& operands, size_t first) {
  std::set<std::pair<dev_t, ino_t>> seen;
  std::set<std::string> names;
  for (size_t i = first; i < operands.size(); ++i) {
    struct stat info {};
    const bool known = ::stat(operands[i].c_str(), &info) == 0;
    if (known ? !seen.insert({info.st_dev, info.st_ino}).second : !names.insert(operands[i]).second) return true;
  }
  return false;
}

// How many files run at once: --jobs N where the command takes it (all cores
// when not given), never more than there are files.
unsigned JobsFor(const Invocation& invocation, size_t first) {
  const auto& options = invocation.command().options;
  const auto option =
      std::find_if(options.begin(), options.end(), [](const Option& option) { return option.name == "jobs"; });
  if (option == options.end()) return 1;
  unsigned jobs = std::max(1u, std::thread::hardware_concurrency());
  std::optional<std::string> value = invocation.Value("jobs");
  if (value) {
    if (value->empty() || value->size() > 4 || value->find_first_not_of("0123456789") != std::string::npos ||
        std::stoul(*value) == 0)
      throw UsageError("--jobs needs a number of 1 or more, not " + *value);
    jobs = unsigned(std::stoul(*value));
  }
  const size_t files = invocation.Operands().size() - first;
  if (files < 2 || NamesAFileTwice(invocation.Operands(), first)) return 1;
  return unsigned(std::min<size_t>(jobs, files));
}

// One FILE operand: headed by "== FILE" when there are several; a failure
// is reported and gives 1.
template <typename Each>
int OneOperand(Each& each, const std::string& operand, bool several) {
  if (several) PrintText("== " + operand + "\n");
  try {
    return each(std::filesystem::path(operand));
  } catch (const UsageError&) {
    throw;
  } catch (const std::exception& error) {
    ReportFileError(error);
    return 1;
  }
}

// Runs `each` on every FILE operand. A file that fails is reported and the
// next one is tried; the worst status wins. With --jobs the files run on
// several threads, their output printed in the order of the operands.
template <typename Each>
int EachOperand(const Invocation& invocation, Each each) {
  const auto& operands = invocation.Operands();
  const size_t first = invocation.command().fixedOperands;
  const bool several = operands.size() - first > 1;
  const unsigned jobs = JobsFor(invocation, first);
  // The folders written into are flushed once, after the last file (see
  // WriteBatch); a folder that cannot be flushed fails the run.
  WriteBatch batch;
  int worst = 0;
  const auto finish = [&] {
    try {
      batch.Finish();
    } catch (const FileError& error) {
      ReportFileError(error);
      worst = 1;
    }
    return worst;
  };
  if (jobs <= 1) {
    for (size_t i = first; i < operands.size(); ++i) worst = std::max(worst, OneOperand(each, operands[i], several));
    return finish();
  }
  struct FileRun {
    CapturedOutput output;
    int status = 0;
    std::exception_ptr usage;
  };
  RunOrdered<FileRun>(
      operands.size() - first, jobs, 2 * jobs,
      [&](size_t index, unsigned) {
        FileRun run;
        const CaptureOutput capture(run.output);
        try {
          run.status = OneOperand(each, operands[first + index], several);
        } catch (const UsageError&) {
          run.usage = std::current_exception();
        }
        return run;
      },
      [&](FileRun& run) {
        PrintText(run.output.out);
        if (!run.output.err.empty()) PrintNote(run.output.err);
        if (run.usage) std::rethrow_exception(run.usage);
        worst = std::max(worst, run.status);
      });
  return finish();
}

}  // namespace

Invocation::Invocation(const Command& command, std::span<const std::string> words) : command_(command) {
  bool optionsEnded = false;
  for (size_t i = 0; i < words.size(); ++i) {
    const std::string& word = words[i];
    if (optionsEnded || !IsOption(word)) {
      operands_.push_back(word);
      continue;
    }
    if (word == "--") {
      optionsEnded = true;
      continue;
    }
    if (word == "--help") {
      help_ = true;
      return;
    }
    const std::string name = OptionName(word);
    const Option* option = Find(name);
    if (!option) throw UsageError("unknown option " + word);
    const size_t equals = word.find('=');
    if (option->value.empty()) {
      if (equals != std::string::npos) throw UsageError("--" + name + " takes no value");
      flags_.insert(name);
    } else if (equals != std::string::npos) {
      values_[name].push_back(word.substr(equals + 1));
    } else {
      if (i + 1 >= words.size()) throw UsageError("--" + name + " needs a value (" + std::string(option->value) + ")");
      values_[name].push_back(words[++i]);
    }
  }
  for (const Option& option : command.options)
    if (option.required && !values_.count(std::string(option.name)))
      throw UsageError("--" + std::string(option.name) + " " + std::string(option.value) + " is required");
  if (operands_.size() < command.minOperands) throw UsageError("missing argument");
  if (operands_.size() > command.maxOperands) throw UsageError("too many arguments");
}

const Option* Invocation::Find(std::string_view name) const {
  for (const Option& option : command_.options)
    if (option.name == name) return &option;
  return nullptr;
}

std::optional<std::string> Invocation::Value(std::string_view name) const {
  auto found = values_.find(std::string(name));
  if (found == values_.end()) return std::nullopt;
  return found->second.back();
}

std::vector<std::string> Invocation::Values(std::string_view name) const {
  auto found = values_.find(std::string(name));
  return found == values_.end() ? std::vector<std::string>{} : found->second;
}

int RunListings(const Invocation& invocation, EachListing list);

int RunCommand(const Command& command, std::span<const std::string> words) {
  try {
    Invocation invocation(command, words);
    if (invocation.HelpAsked()) {
      PrintText(CommandHelp(command));
      return 0;
    }
    if (auto* run = std::get_if<WholeCall>(&command.run)) return (*run)(invocation);
    if (auto* run = std::get_if<EachFile>(&command.run))
      return EachOperand(invocation, [&](const std::filesystem::path& file) { return (*run)(invocation, file); });
    return RunListings(invocation, std::get<EachListing>(command.run));
  } catch (const UsageError& error) {
    std::cerr << "pixaldo-cli " << command.name << ": " << error.what() << "\nusage: pixaldo-cli "
              << UsageLine(command) << "\n";
    return 2;
  } catch (const std::exception& error) {
    ReportFileError(error);
    return 1;
  }
}

// Listings print as tab-separated lines as they come, or as JSON once all
// files are read (an object keyed by file name when there are several).
int RunListings(const Invocation& invocation, EachListing list) {
  if (!invocation.Flag("json"))
    return EachOperand(invocation, [&](const std::filesystem::path& file) {
      for (const auto& row : list(invocation, file).rows) PrintTextRow(row);
      return 0;
    });
  std::vector<std::pair<std::string, Listing>> listings;
  int worst = 0;
  for (const std::string& operand : invocation.Operands()) {
    try {
      listings.emplace_back(operand, list(invocation, operand));
    } catch (const UsageError&) {
      throw;
    } catch (const std::exception& error) {
      ReportFileError(error);
      worst = 1;
    }
  }
  PrintJson(listings, invocation.Operands().size() > 1);
  return worst;
}

}  // namespace pixaldo::cli
