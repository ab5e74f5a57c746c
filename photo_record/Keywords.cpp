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
  for (size_t from = 0; from <= text.size();) {
    const size_t comma = std::min(text.find(',', from), text.size());
    parts.emplace_back(text.substr(from, comma - from));
    from = comma + 1;
  }
  return Normalized(parts);
}

std::string TKeywords::Joined(const std::vector<std::string>& keywords) {
  std::string text;
  for (const std::string& keyword : keywords) text += (text.empty() ? "" : ", ") + keyword;
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

std::string TKeywords::Problem(const std::vector<std::string>& keywords) {
  for (const std::string& keyword : keywords)
    if (keyword.size() > kMaxBytes)
      return "the keyword \"" + keyword + "\" takes " + std::to_string(keyword.size()) +
             " bytes, more than the limit of " + std::to_string(kMaxBytes) + " bytes for a keyword";
  return {};
}

}  // namespace pixaldo
