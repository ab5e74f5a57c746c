#pragma once
// The user's number and date conventions, read once from the locale
// (LC_NUMERIC, LC_TIME) and settable by tests.
#include <ctime>
#include <string>

namespace pixaldo {

// The decimal separator, a single character such as '.' or ','.
char DecimalSeparator();
void SetDecimalSeparator(char separator);

// The short date format in Delphi-style letters: "d.M.yyyy", "M/d/yyyy", ...
std::string ShortDateFormat();
void SetShortDateFormat(const std::string& format);

// A date in the short date format (days, months and years: d dd M MM yy yyyy).
std::string FormatShortDate(std::time_t time);

// A C printf template with '.' replaced by the user's separator in its output:
// formats like snprintf in the C locale, then swaps the decimal point.
std::string FormatFloat(const char* format, double value);

// Text of a double as the platform's shortest general form with the user's
// separator ("2.8", "0.5", "12").
std::string FloatToText(double value);

}  // namespace pixaldo
