#include "platform/LocaleFormats.h"

#include <clocale>
#include <cstdio>
#include <langinfo.h>
#include <locale.h>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>
#include <string_view>

namespace pixaldo {
namespace {

struct Formats {
  char decimal = '.';
  std::string shortDate = "d.M.yyyy";
};

// Turns a strftime pattern such as "%m/%d/%Y" into the letters used here.
std::string FromStrftime(const std::string& pattern) {
  std::string out;
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] != '%' || i + 1 >= pattern.size()) {
      out += pattern[i];
      continue;
    }
    char c = pattern[++i];
    switch (c) {
      case 'd': out += "dd"; break;
      case 'e': out += "d"; break;
      case 'm': out += "MM"; break;
      case 'y': out += "yy"; break;
      case 'Y': out += "yyyy"; break;
      case 'D': out += "MM/dd/yy"; break;
      case 'F': out += "yyyy-MM-dd"; break;
      default: break;
    }
  }
  return out;
}

Formats ReadFromLocale() {
  Formats f;
  locale_t loc = newlocale(LC_NUMERIC_MASK | LC_TIME_MASK, "", static_cast<locale_t>(0));
  if (!loc) return f;
  const char* point = nl_langinfo_l(RADIXCHAR, loc);
  if (point && point[0] && !point[1]) f.decimal = point[0];
  const char* date = nl_langinfo_l(D_FMT, loc);
  if (date && date[0]) {
    std::string converted = FromStrftime(date);
    if (!converted.empty()) f.shortDate = converted;
  }
  freelocale(loc);
  return f;
}

Formats& Current() {
  static Formats formats = ReadFromLocale();
  return formats;
}

}  // namespace

char DecimalSeparator() { return Current().decimal; }
void SetDecimalSeparator(char separator) { Current().decimal = separator; }
std::string ShortDateFormat() { return Current().shortDate; }
void SetShortDateFormat(const std::string& format) { Current().shortDate = format; }

std::string FormatShortDate(std::time_t time) {
  std::tm parts{};
  localtime_r(&time, &parts);
  const std::string format = ShortDateFormat();
  std::string out;
  for (size_t i = 0; i < format.size();) {
    char c = format[i];
    size_t run = 1;
    while (i + run < format.size() && format[i + run] == c) ++run;
    char buffer[16];
    if (c == 'd') {
      std::snprintf(buffer, sizeof buffer, run >= 2 ? "%02d" : "%d", parts.tm_mday);
      out += buffer;
    } else if (c == 'M') {
      std::snprintf(buffer, sizeof buffer, run >= 2 ? "%02d" : "%d", parts.tm_mon + 1);
      out += buffer;
    } else if (c == 'y') {
      if (run <= 2)
        std::snprintf(buffer, sizeof buffer, "%02d", (parts.tm_year + 1900) % 100);
      else
        std::snprintf(buffer, sizeof buffer, "%d", parts.tm_year + 1900);
      out += buffer;
    } else {
      out.append(run, c);
    }
    i += run;
  }
  return out;
}

namespace {

// The templates the tag tables use ("%5.2f mm", "%.15g", "%0.0f"): one
// number with a precision, fixed or general, padded with blanks to a width,
// plain text after it.
struct NumberTemplate {
  size_t width = 0;
  int precision = 0;
  std::chars_format style = std::chars_format::fixed;
  std::string_view suffix;
};

std::optional<size_t> ReadDigits(std::string_view& text) {
  size_t value = 0, count = 0;
  while (count < text.size() && count < 3 && text[count] >= '0' && text[count] <= '9')
    value = value * 10 + size_t(text[count++] - '0');
  if (count == 0) return std::nullopt;
  text.remove_prefix(count);
  return value;
}

std::optional<NumberTemplate> ParseNumberTemplate(std::string_view format) {
  if (format.empty() || format.front() != '%') return std::nullopt;
  format.remove_prefix(1);
  NumberTemplate parsed;
  if (!format.empty() && format.front() == '0') {
    format.remove_prefix(1);  // zero padding, which only matters with a width
    if (!format.empty() && format.front() != '.') return std::nullopt;
  }
  if (!format.empty() && format.front() != '.') parsed.width = ReadDigits(format).value_or(0);
  if (format.empty() || format.front() != '.') return std::nullopt;
  format.remove_prefix(1);
  std::optional<size_t> precision = ReadDigits(format);
  if (!precision || *precision > 30 || format.empty()) return std::nullopt;
  parsed.precision = int(*precision);
  if (format.front() == 'g') {
    parsed.style = std::chars_format::general;
  } else if (format.front() != 'f') {
    return std::nullopt;
  }
  parsed.suffix = format.substr(1);
  if (parsed.suffix.find('%') != std::string_view::npos) return std::nullopt;
  return parsed;
}

// The number as snprintf writes it in the C locale; std::to_chars is
// specified to round and shorten exactly as printf does, without its locale
// switching and format parsing.
std::optional<std::string> FormatNumber(const char* format, double value) {
  if (!std::isfinite(value)) return std::nullopt;
  std::optional<NumberTemplate> parsed = ParseNumberTemplate(format);
  if (!parsed) return std::nullopt;
  char buffer[128];
  auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value, parsed->style, parsed->precision);
  if (error != std::errc()) return std::nullopt;
  const size_t length = size_t(end - buffer);
  std::string out(length < parsed->width ? parsed->width - length : 0, ' ');
  out.append(buffer, length);
  out += parsed->suffix;
  if (out.size() >= sizeof buffer) return std::nullopt;  // printf's text would be cut there
  return out;
}

std::string FormatWithPrintf(const char* format, double value) {
  // snprintf follows LC_NUMERIC, which Qt sets from the environment, so the
  // C locale is used for this thread while formatting.
  static locale_t cLocale = newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(0));
  locale_t previous = uselocale(cLocale);
  char buffer[128];
  int n = std::snprintf(buffer, sizeof buffer, format, value);
  uselocale(previous);
  return std::string(buffer, n < 0 ? 0 : std::min<size_t>(size_t(n), sizeof buffer - 1));
}

}  // namespace

std::string FormatFloat(const char* format, double value) {
  std::optional<std::string> number = FormatNumber(format, value);
  std::string out = number ? std::move(*number) : FormatWithPrintf(format, value);
  if (DecimalSeparator() != '.')
    for (char& c : out)
      if (c == '.') c = DecimalSeparator();
  return out;
}

std::string FloatToText(double value) { return FormatFloat("%.15g", value); }

}  // namespace pixaldo
