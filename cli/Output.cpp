// What pixaldo-cli prints: escaped tab-separated fields and JSON.
#include <cstdio>

#include <nlohmann/json.hpp>

#include "cli/CliCommand.h"
#include "platform/CodePage.h"
#include "platform/Cp1250.h"
#include "platform/StandardError.h"

namespace pixaldo::cli {
namespace {

using Json = nlohmann::ordered_json;  // keeps the listing's order

thread_local CapturedOutput* gCapture = nullptr;

Json ListingJson(const Listing& listing) {
  if (listing.keyed) {
    Json object = Json::object();
    for (const auto& row : listing.rows) {
      const std::string& key = row.at(0);
      if (listing.listKeys.count(key))
        object[key] = std::vector<std::string>(row.begin() + 1, row.end());
      else if (listing.numericKeys.count(key))
        object[key] = std::stoll(row.at(1));
      else
        object[key] = row.at(1);
    }
    return object;
  }
  Json array = Json::array();
  for (const auto& row : listing.rows) {
    Json entry = Json::object();
    for (size_t i = 0; i < listing.columns.size() && i < row.size(); ++i) {
      const std::string key(listing.columns[i]);
      if (listing.numeric.count(listing.columns[i]))
        entry[key] = std::stoll(row[i]);
      else
        entry[key] = row[i];
    }
    array.push_back(std::move(entry));
  }
  return array;
}

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

void Listing::AddRow(const std::vector<std::string>& cp1250Fields) {
  std::vector<std::string> row;
  for (const std::string& field : cp1250Fields) row.push_back(Cp1250ToUtf8(field));
  rows.push_back(std::move(row));
}

std::string Field(const std::string& cp1250Bytes) { return Cp1250ToUtf8(Escaped(cp1250Bytes)); }

void PrintText(std::string_view utf8) {
  if (gCapture)
    gCapture->out += utf8;
  else
    std::fwrite(utf8.data(), 1, utf8.size(), stdout);
}

void PrintNote(std::string_view utf8) {
  if (gCapture) {
    gCapture->err += utf8;
    return;
  }
  std::fflush(stdout);  // keeps the note after the output it follows
  WriteStandardError(utf8);
}

CaptureOutput::CaptureOutput(CapturedOutput& into) : previous_(gCapture) { gCapture = &into; }
CaptureOutput::~CaptureOutput() { gCapture = previous_; }

void PrintTextRow(const std::vector<std::string>& utf8Fields) {
  std::string line;
  for (size_t i = 0; i < utf8Fields.size(); ++i) {
    if (i) line += '\t';
    line += Escaped(utf8Fields[i]);
  }
  line += '\n';
  PrintText(line);
}

void PrintRow(const std::vector<std::string>& cp1250Fields) {
  std::vector<std::string> utf8Fields;
  for (const std::string& field : cp1250Fields) utf8Fields.push_back(Cp1250ToUtf8(field));
  PrintTextRow(utf8Fields);
}

void PrintJson(const std::vector<std::pair<std::string, Listing>>& listings, bool keyedByFile) {
  Json document;
  if (keyedByFile) {
    document = Json::object();
    for (const auto& [file, listing] : listings) document[file] = ListingJson(listing);
  } else if (listings.empty()) {
    return;  // the one file failed, and said so
  } else {
    document = ListingJson(listings.front().second);
  }
  // File names need not be UTF-8; what cannot be shown becomes U+FFFD.
  PrintText(document.dump(2, ' ', false, Json::error_handler_t::replace) + "\n");
}

const std::string& ArgumentText(const std::string& text, const std::string& what) {
  if (!IsValidUtf8(text)) throw UsageError(what + " is not valid UTF-8 text");
  return text;
}

}  // namespace pixaldo::cli
