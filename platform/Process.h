#pragma once
// Running another program: an argument vector handed to the program as it is
// (no shell, so no word splitting, quoting or expansion), standard input from
// /dev/null or an open file, standard output discarded or written into a file, standard error captured. The call
// waits for the program to end, or stops it after a time limit. The program
// dies with the thread that started it, so an interrupted run leaves no
// orphan working on.
#include <chrono>
#include <string>
#include <vector>

namespace pixaldo {

struct ProcessResult {
  bool started = false;       // the program could be started at all
  int exitStatus = -1;        // its exit status; -1 when it was killed by a signal
  int signal = 0;             // the signal that ended it, or 0
  std::string errorOutput;    // what it wrote to standard error (at most 64 KiB kept)
  std::string startError;     // why it could not be started
  bool timedOut = false;      // stopped after the time limit
  bool outputTooLong = false; // stopped for writing more than allowed
  std::chrono::seconds limit{0};

  bool Succeeded() const { return started && signal == 0 && exitStatus == 0; }
  // One line for messages: the program's own last error line, or how it ended.
  std::string Describe() const;
};

// argv[0] is the program: a path, or a bare name looked up on PATH.
struct ProcessOptions {
  std::chrono::seconds limit{0};  // zero: as long as it takes
  // Standard input comes from this open file, read from its start; -1: /dev/null.
  int inputFile = -1;
  // Standard output goes into this open file (from its current offset)
  // instead of being discarded; the caller may read it while the program
  // writes. A file, not a pipe: a pipe wakes the reader for every few
  // kilobytes written, and each wake-up slows the writer.
  int outputFile = -1;
  std::size_t maxOutput = std::size_t(1) << 31;  // the file growing beyond this ends the program
  // "NAME=value" entries the program gets in its environment, in place of
  // this process's values of the same names; the rest is inherited.
  std::vector<std::string> environment;
};
ProcessResult RunProcess(const std::vector<std::string>& argv, const ProcessOptions& options = {});

}  // namespace pixaldo
