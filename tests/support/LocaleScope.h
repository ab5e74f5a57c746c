#pragma once
// Sets the user's decimal separator for the lifetime of the object and puts
// the previous one back, so tests can check both '.' and ',' output.
#include "platform/LocaleFormats.h"

namespace pixaldo::test {

class DecimalSeparatorScope {
 public:
  explicit DecimalSeparatorScope(char separator) : previous_(DecimalSeparator()) {
    SetDecimalSeparator(separator);
  }
  ~DecimalSeparatorScope() { SetDecimalSeparator(previous_); }
  DecimalSeparatorScope(const DecimalSeparatorScope&) = delete;
  DecimalSeparatorScope& operator=(const DecimalSeparatorScope&) = delete;

 private:
  char previous_;
};

}  // namespace pixaldo::test
