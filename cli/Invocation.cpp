// Checks a command's arguments against its row of the table and runs it.
#include <algorithm>
#include <cstdio>
#include <iostream>

#include "cli/CliCommand.h"
#include "platform/FileError.h"

namespace pixaldo::cli {
namespace {

bool IsOption(const std::string& word) { return word.size() > 1 && word[0] == '-'; }

std::string OptionName(const std::string& word) {
  if (word.rfind("--", 0) != 0) throw UsageError("unknown option " + word);
  return word.substr(2, word.find('=') - 2);
}

void ReportFileError(const std::exception& error) {
  std::fflush(stdout);  // keeps the message after the "== FILE" header it belongs to
  std::cerr << "pixaldo-cli: " << error.what() << "\n";
}

// Runs `each` on every FILE operand; with several, each block is headed by
// "== FILE". A file that fails is reported and the next one is tried.
template <typename Each>
int EachOperand(const Invocation& invocation, Each each) {
  const auto& operands = invocation.Operands();
  const size_t first = invocation.command().fixedOperands;
  const bool several = operands.size() - first > 1;
  int worst = 0;
  for (size_t i = first; i < operands.size(); ++i) {
    if (several) PrintText("== " + operands[i] + "\n");
    try {
      worst = std::max(worst, each(std::filesystem::path(operands[i])));
    } catch (const UsageError&) {
      throw;
    } catch (const std::exception& error) {
      ReportFileError(error);
      worst = std::max(worst, 1);
    }
  }
  return worst;
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
