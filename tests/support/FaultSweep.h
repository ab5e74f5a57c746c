#pragma once
// Runs a writing operation again and again, making the 1st, 2nd, 3rd, ...
// step of the file layer fail (FaultInjection), until a run gets through
// without meeting the failure. After every failed run the watched files must
// hold exactly their old bytes (or still be missing; a failed flush of the
// folder after the rename is the one step that leaves the new bytes), the
// folder must hold exactly the entries it held before (no temporary file
// left), and the error must be a FileError naming one of the watched files.
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace pixaldo::test {

struct FaultSweepResult {
  int failedRuns = 0;     // runs that met the injected failure and threw
  int operations = 0;     // writes, flushes and renames of the unfailed run
  bool finished = false;  // a run got through without meeting the failure
  std::vector<std::string> problems;  // every broken promise, one line each
};

struct FaultSweep {
  // The files whose bytes must survive a failed run (the target, and for a
  // copy the source too). A missing file must stay missing.
  std::vector<std::filesystem::path> watched;
  // Folders that must not gain or lose entries in a failed run.
  std::vector<std::filesystem::path> folders;
  // Runs the operation once. It builds its own objects, so every run starts
  // from the files on disk.
  std::function<void()> operation;
  int maxRuns = 200;

  FaultSweepResult Run() const;
};

}  // namespace pixaldo::test
