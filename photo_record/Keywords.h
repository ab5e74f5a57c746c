#pragma once
// The rules of a photo's keyword list: each keyword without leading or
// trailing blanks, none empty, no exact duplicate (the first one stays), and
// none longer than its IPTC dataset allows (refused, never cut).
#include <string>
#include <string_view>
#include <vector>

namespace pixaldo {

class TKeywords {
 public:
  // The longest keyword in bytes (UTF-8).
  static constexpr size_t kMaxBytes = 64;

  // The list by the rules above, in its order.
  static std::vector<std::string> Normalized(const std::vector<std::string>& keywords);
  // Comma-separated text (as typed in one field) as a list. A keyword in
  // double quotes may hold commas; "" inside the quotes is one quote.
  static std::vector<std::string> Split(std::string_view text);
  // The list joined with ", " for one field; a keyword with a comma, or
  // one that starts with a quote, in double quotes (Split reads it whole).
  static std::string Joined(const std::vector<std::string>& keywords);
  // `list` with `added` at its end (what it has already is not repeated).
  static std::vector<std::string> Added(const std::vector<std::string>& list, const std::vector<std::string>& added);
  // `list` without every keyword of `removed` (exact matches only).
  static std::vector<std::string> Removed(const std::vector<std::string>& list,
                                          const std::vector<std::string>& removed);
  // The keywords every list has, in the order of the first.
  static std::vector<std::string> Common(const std::vector<std::vector<std::string>>& lists);
  // `list` changed as `before` was changed into `after`: what `after` added
  // is added, what it dropped is removed, the rest of `list` stays.
  static std::vector<std::string> Changed(const std::vector<std::string>& list, const std::vector<std::string>& before,
                                          const std::vector<std::string>& after);
  // Why the list cannot be written (a keyword too long), or empty.
  static std::string Problem(const std::vector<std::string>& keywords);
};

}  // namespace pixaldo
