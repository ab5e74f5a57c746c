#include "file_list/PhotoFilter.h"

#include <algorithm>
#include <cctype>
#include <cwctype>
#include <locale.h>

#include "platform/Cp1250.h"  // AppendUtf8

namespace pixaldo {
namespace {

constexpr std::string_view kStar = "\xE2\x98\x85";  // ★

std::string_view Trimmed(std::string_view text) {
  const auto blank = [](char ch) { return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

// The stars a term asks for: a run of stars ("★★★", "***"), or a digit with a
// star before or after it ("★3", "3★", "*3", "3*") or a plus after it ("3+").
// -1 for a term that is no such thing.
int StarsOf(std::string_view term) {
  const auto isStar = [&](std::string_view rest) { return rest.starts_with(kStar) || rest.starts_with('*'); };
  const auto starLength = [](std::string_view rest) { return rest.starts_with('*') ? size_t(1) : kStar.size(); };
  int run = 0;
  std::string_view rest = term;
  while (!rest.empty() && isStar(rest)) {
    rest.remove_prefix(starLength(rest));
    ++run;
  }
  if (rest.empty() && run > 0) return run;
  const auto digit = [](std::string_view text) { return text.size() == 1 && text[0] >= '0' && text[0] <= '9'; };
  if (run == 1 && digit(rest)) return rest[0] - '0';
  if (run == 0 && term.size() > 1 && digit(term.substr(0, 1))) {
    const std::string_view after = term.substr(1);
    if (after == "+" || after == "*" || after == kStar) return term[0] - '0';
  }
  return -1;
}

// The system's lower-case mapping of every letter, from its built-in UTF-8
// locale (none: ASCII letters only).
locale_t UnicodeLocale() {
  static const locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t(nullptr));
  return locale;
}

// The code point starting at `at` and its length in bytes; length 0 for a
// byte that starts no well-formed sequence.
std::pair<char32_t, size_t> DecodeAt(std::string_view text, size_t at) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  const size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
  if (length == 0 || at + length > text.size()) return {0, 0};
  char32_t code = length == 1 ? lead : lead & (0x7F >> length);
  for (size_t i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) return {0, 0};
    code = (code << 6) | (byte(at + i) & 0x3F);
  }
  return {code, length};
}

// Whether a word inside a keyword can start at byte `at`: at its start, or
// after a blank or punctuation.
bool WordStart(std::string_view keyword, size_t at) {
  if (at == 0) return true;
  const unsigned char before = static_cast<unsigned char>(keyword[at - 1]);
  return before < 0x80 && !std::isalnum(before);
}

bool HasKeywordStartingWith(const std::vector<std::string>& folded, std::string_view word) {
  for (const std::string& keyword : folded)
    for (size_t at = keyword.find(word); at != std::string::npos; at = keyword.find(word, at + 1))
      if (WordStart(keyword, at)) return true;
  return false;
}

}  // namespace

std::string PhotoFilter::Folded(std::string_view text) {
  const locale_t locale = UnicodeLocale();
  std::string out;
  out.reserve(text.size());
  for (size_t at = 0; at < text.size();) {
    const auto [code, length] = DecodeAt(text, at);
    if (length == 0) {
      out += text[at++];
      continue;
    }
    char32_t lower = code;
    if (code < 0x80)
      lower = char32_t(std::tolower(int(code)));
    else if (locale)
      lower = char32_t(towlower_l(wint_t(code), locale));
    AppendUtf8(out, lower);
    at += length;
  }
  return out;
}

PhotoFilter::PhotoFilter(std::string_view text) {
  while (!text.empty()) {
    const size_t comma = text.find(',');
    const std::string_view term = Trimmed(text.substr(0, comma));
    text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
    if (term.empty()) continue;
    if (const int stars = StarsOf(term); stars >= 0)
      MinStars = std::max(MinStars, stars);
    else
      Words.push_back(Folded(term));
  }
}

bool PhotoFilter::Matches(const PhotoTags& photo) const {
  if (photo.Rating < MinStars) return false;
  if (Words.empty()) return true;
  std::vector<std::string> folded;
  folded.reserve(photo.Keywords.size());
  for (const std::string& keyword : photo.Keywords) folded.push_back(Folded(keyword));
  return std::all_of(Words.begin(), Words.end(),
                     [&](const std::string& word) { return HasKeywordStartingWith(folded, word); });
}

}  // namespace pixaldo
