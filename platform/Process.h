#pragma once
// Running another program: an argument vector handed to the program as it is
// (no shell, so no word splitting, quoting or expansion), standard input from
// /dev/null, standard output discarded, standard error captured. The call
// waits for the program to end, without a time limit.
#include <string>
#include <vector>

namespace pixaldo {

struct ProcessResult {
  bool started = false;       // the program could be started at all
  int exitStatus = -1;        // its exit status; -1 when it was killed by a signal
  int signal = 0;             // the signal that ended it, or 0
  std::string errorOutput;    // what it wrote to standard error (at most 64 KiB kept)
  std::string startError;     // why it could not be started

  bool Succeeded() const { return started && signal == 0 && exitStatus == 0; }
  // One line for messages: the program's own last error line, or how it ended.
  std::string Describe() const;
};

// argv[0] is the program: a path, or a bare name looked up on PATH.
ProcessResult RunProcess(const std::vector<std::string>& argv);

}  // namespace pixaldo
