#pragma once
// The standard error, shared by the program's own messages and by libraries
// that print messages of their own there.
//
// A library whose messages lead nowhere (the program reports what matters in
// its own words) is called inside a QuietStandardError: the descriptor then
// points at /dev/null. The program's messages go through
// WriteStandardError, which writes to the real standard error even while
// another thread keeps the library quiet, so that no message of the program
// is lost to it.
#include <string_view>

namespace pixaldo {

// Counted, for calls from several threads: the standard error is quiet from
// the first of them until the last has ended.
class QuietStandardError {
 public:
  QuietStandardError();
  ~QuietStandardError();
  QuietStandardError(const QuietStandardError&) = delete;
  QuietStandardError& operator=(const QuietStandardError&) = delete;
};

// Writes the text to the standard error as one piece, quiet or not.
void WriteStandardError(std::string_view text);

}  // namespace pixaldo
