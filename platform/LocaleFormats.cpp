#include "platform/LocaleFormats.h"

#include <clocale>
#include <cstdio>
#include <langinfo.h>
#include <locale.h>
#include <algorithm>

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

std::string FormatFloat(const char* format, double value) {
  // snprintf follows LC_NUMERIC, which Qt sets from the environment, so the
  // C locale is used for this thread while formatting.
  static locale_t cLocale = newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(0));
  locale_t previous = uselocale(cLocale);
  char buffer[128];
  int n = std::snprintf(buffer, sizeof buffer, format, value);
  uselocale(previous);
  std::string out(buffer, n < 0 ? 0 : std::min<size_t>(size_t(n), sizeof buffer - 1));
  if (DecimalSeparator() != '.')
    for (char& c : out)
      if (c == '.') c = DecimalSeparator();
  return out;
}

std::string FloatToText(double value) { return FormatFloat("%.15g", value); }

}  // namespace pixaldo
