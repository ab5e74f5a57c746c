#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/LocaleFormats.h"

namespace pixaldo {
namespace {

// The tag tables' templates give exactly what snprintf gives, halfway cases
// (rounded to even), negative zero, widths and text after the number included.
TEST(LocaleFormats, FormatFloatWritesWhatPrintfWrites) {
  const char separator = DecimalSeparator();
  SetDecimalSeparator('.');
  const char* templates[] = {"%.0f", "%0.0f", "%.1f", "%.15g", "%5.2f", "%5.2f mm", "%4.4f sec", "%.3g", "%05.1f"};
  const double values[] = {0.0,  -0.0,   0.5,    1.5,      2.5,   -0.25, 0.125, 0.375, 1.0 / 3, -0.3,
                           1e-7, 123456, 4.5e15, 1.25e-5, 35.0,  -1e21, 1e300, 2.675, 0.045, 99.995};
  for (const char* format : templates) {
    for (double value : values) {
      char expected[128];
      std::snprintf(expected, sizeof expected, format, value);
      EXPECT_EQ(FormatFloat(format, value), expected) << format << " of " << value;
    }
  }
  SetDecimalSeparator(',');
  EXPECT_EQ(FormatFloat("%5.2f mm", 4.5), " 4,50 mm");
  SetDecimalSeparator(separator);
}

}  // namespace
}  // namespace pixaldo
