// pixaldo-cli: the viewer's core without windows.
#include <cstdio>
#include <iostream>

#include "cli/CliCommand.h"
#include "platform/Cp1250.h"
#include "platform/FileError.h"

namespace pixaldo::cli {

std::map<std::string, CommandInfo>& Commands() {
  static std::map<std::string, CommandInfo> commands;
  return commands;
}

bool Arguments::TakesValue(const std::string& word) const {
  for (const auto& name : valueOptions_)
    if (word == "--" + name) return true;
  return false;
}

std::string Arguments::Positional(size_t index) const {
  size_t seen = 0;
  for (size_t i = 0; i < words_.size(); ++i) {
    const std::string& word = words_[i];
    if (word.rfind("--", 0) == 0 && word.size() > 2) {
      if (TakesValue(word)) ++i;
      continue;
    }
    if (seen++ == index) return word;
  }
  throw UsageError("missing argument");
}

size_t Arguments::PositionalCount() const {
  size_t count = 0;
  for (size_t i = 0; i < words_.size(); ++i) {
    if (words_[i].rfind("--", 0) == 0 && words_[i].size() > 2) {
      if (TakesValue(words_[i])) ++i;
      continue;
    }
    ++count;
  }
  return count;
}

bool Arguments::Flag(const std::string& name) const {
  for (size_t i = 0; i < words_.size(); ++i) {
    if (words_[i] == "--" + name) return true;
    if (TakesValue(words_[i])) ++i;
  }
  return false;
}

std::optional<std::string> Arguments::Option(const std::string& name) const {
  for (size_t i = 0; i < words_.size(); ++i) {
    if (words_[i] == "--" + name) {
      if (i + 1 >= words_.size()) throw UsageError("--" + name + " needs a value");
      return words_[i + 1];
    }
    if (TakesValue(words_[i])) ++i;
  }
  return std::nullopt;
}

void Arguments::Allow(const std::vector<std::string>& flags, const std::vector<std::string>& valueOptions) {
  valueOptions_ = valueOptions;
  for (size_t i = 0; i < words_.size(); ++i) {
    const std::string& word = words_[i];
    if (word.rfind("--", 0) != 0 || word.size() <= 2) continue;
    if (TakesValue(word)) {
      if (i + 1 >= words_.size()) throw UsageError(word + " needs a value");
      ++i;
      continue;
    }
    bool known = false;
    for (const auto& flag : flags) known = known || word == "--" + flag;
    if (!known) throw UsageError("unknown option " + word);
  }
}

namespace {

// Backslash, tab, line breaks and other control characters as escapes; every
// other byte as it is.
std::string Escaped(const std::string& bytes) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string escaped;
  for (char c : bytes) {
    auto byte = static_cast<unsigned char>(c);
    switch (c) {
      case '\\': escaped += "\\\\"; break;
      case '\t': escaped += "\\t"; break;
      case '\r': escaped += "\\r"; break;
      case '\n': escaped += "\\n"; break;
      default:
        if (byte < 32) {
          escaped += "\\x";
          escaped += kHex[byte >> 4];
          escaped += kHex[byte & 15];
        } else {
          escaped += c;
        }
    }
  }
  return escaped;
}

}  // namespace

std::string Field(const std::string& cp1250Bytes) { return Cp1250ToUtf8(Escaped(cp1250Bytes)); }

void PrintTextRow(const std::vector<std::string>& utf8Fields) {
  std::string line;
  for (size_t i = 0; i < utf8Fields.size(); ++i) {
    if (i) line += '\t';
    line += Escaped(utf8Fields[i]);
  }
  line += '\n';
  std::fwrite(line.data(), 1, line.size(), stdout);
}

void PrintRow(const std::vector<std::string>& cp1250Fields) {
  std::vector<std::string> utf8Fields;
  for (const std::string& field : cp1250Fields) utf8Fields.push_back(Cp1250ToUtf8(field));
  PrintTextRow(utf8Fields);
}

std::string ArgumentToCp1250(const std::string& utf8, const std::string& what) {
  Cp1250Result converted = Utf8ToCp1250(utf8);
  if (!converted.ok())
    throw UsageError(what + " holds characters that cannot be stored in the file (Windows-1250): " +
                     EncodeUtf8(converted.unmappable));
  return converted.bytes;
}

}  // namespace pixaldo::cli

namespace {

void PrintUsage() {
  std::cerr << "usage: pixaldo-cli COMMAND ARGUMENTS...\ncommands:\n";
  for (const auto& [name, info] : pixaldo::cli::Commands()) std::cerr << "  " << name << " " << info.usage << "\n";
}

}  // namespace

int main(int argc, char** argv) {
  using namespace pixaldo::cli;
  if (argc < 2) {
    PrintUsage();
    return 2;
  }
  auto found = Commands().find(argv[1]);
  if (found == Commands().end()) {
    std::cerr << "pixaldo-cli: unknown command " << argv[1] << "\n";
    PrintUsage();
    return 2;
  }
  Arguments arguments(std::vector<std::string>(argv + 2, argv + argc));
  try {
    return found->second.run(arguments);
  } catch (const UsageError& error) {
    std::cerr << "pixaldo-cli " << argv[1] << ": " << error.what() << "\nusage: pixaldo-cli " << argv[1] << " "
              << found->second.usage << "\n";
    return 2;
  } catch (const pixaldo::FileError& error) {
    std::cerr << "pixaldo-cli: " << error.what() << "\n";
    return 1;
  } catch (const std::exception& error) {
    std::cerr << "pixaldo-cli: " << error.what() << "\n";
    return 1;
  }
}
