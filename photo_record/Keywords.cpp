#include "photo_record/Keywords.h"

#include <algorithm>

namespace pixaldo {
namespace {

std::string Trimmed(std::string_view text) {
  auto blank = [](char ch) { return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return std::string(text);
}

bool Contains(const std::vector<std::string>& list, const std::string& keyword) {
  return std::find(list.begin(), list.end(), keyword) != list.end();
}

}  // namespace

std::vector<std::string> TKeywords::Normalized(const std::vector<std::string>& keywords) {
  std::vector<std::string> list;
  for (const std::string& keyword : keywords) {
    std::string clean = Trimmed(keyword);
    if (!clean.empty() && !Contains(list, clean)) list.push_back(std::move(clean));
  }
  return list;
}

std::vector<std::string> TKeywords::Split(std::string_view text) {
  std::vector<std::string> parts;
  size_t at = 0;
  while (at <= text.size()) {
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) ++at;
    std::string part;
    if (at < text.size() && text[at] == '"') {
      // Quoted: up to the closing quote, a doubled quote standing for one.
      for (++at; at < text.size(); ++at) {
        if (text[at] != '"') {
          part += text[at];
        } else if (at + 1 < text.size() && text[at + 1] == '"') {
          part += '"';
          ++at;
        } else {
          ++at;
          break;
        }
      }
    }
    const size_t comma = std::min(text.find(',', at), text.size());
    part += text.substr(at, comma - at);
    parts.push_back(std::move(part));
    at = comma + 1;
  }
  return Normalized(parts);
}

std::string TKeywords::Joined(const std::vector<std::string>& keywords) {
  std::string text;
  for (const std::string& keyword : keywords) {
    if (!text.empty()) text += ", ";
    if (keyword.find(',') == std::string::npos && !keyword.starts_with('"')) {
      text += keyword;
      continue;
    }
    text += '"';
    for (const char ch : keyword) text += ch == '"' ? std::string("\"\"") : std::string(1, ch);
    text += '"';
  }
  return text;
}

std::vector<std::string> TKeywords::Added(const std::vector<std::string>& list, const std::vector<std::string>& added) {
  std::vector<std::string> all = list;
  all.insert(all.end(), added.begin(), added.end());
  return Normalized(all);
}

std::vector<std::string> TKeywords::Removed(const std::vector<std::string>& list,
                                            const std::vector<std::string>& removed) {
  const std::vector<std::string> gone = Normalized(removed);
  std::vector<std::string> kept;
  for (const std::string& keyword : list)
    if (!Contains(gone, Trimmed(keyword))) kept.push_back(keyword);
  return kept;
}

std::vector<std::string> TKeywords::Common(const std::vector<std::vector<std::string>>& lists) {
  if (lists.empty()) return {};
  std::vector<std::string> common;
  for (const std::string& keyword : lists.front())
    if (std::all_of(lists.begin() + 1, lists.end(), [&](const auto& list) { return Contains(list, keyword); }))
      common.push_back(keyword);
  return common;
}

std::vector<std::string> TKeywords::Changed(const std::vector<std::string>& list, const std::vector<std::string>& before,
                                            const std::vector<std::string>& after) {
  std::vector<std::string> dropped;
  for (const std::string& keyword : before)
    if (!Contains(after, keyword)) dropped.push_back(keyword);
  return Added(Removed(list, dropped), after);
}

std::string TKeywords::Problem(const std::vector<std::string>& keywords) {
  for (const std::string& keyword : keywords)
    if (keyword.size() > kMaxBytes)
      return "the keyword \"" + keyword + "\" takes " + std::to_string(keyword.size()) +
             " bytes, more than the limit of " + std::to_string(kMaxBytes) + " bytes for a keyword";
  return {};
}

}  // namespace pixaldo
