#pragma once
// The temporary files of atomic writes: their names, their removal when the
// program is interrupted, and the clean-up of those a killed run left behind.
//
// A temporary file is named ".NAME.pixaldo-XXXXXXXX.tmp" beside the file it
// will replace: hidden, never ending in a picture's extension (so that no
// folder listing takes it for a photo), and marked as this program's, so that
// no other program's temporary file is taken for one. While a writer works on
// it, it holds an exclusive advisory lock on it; a file so named that nobody
// holds locked is a leftover and is removed by the next write into its folder.
// No other scratch file is ever made.
#include <filesystem>
#include <string>
#include <string_view>

namespace pixaldo {

namespace fs = std::filesystem;

// A fresh temporary name beside `target` (not yet created).
fs::path TemporaryNameFor(const fs::path& target);
// Whether a file name has the form of this program's temporary files.
bool IsTemporaryName(std::string_view fileName);

// Removes the temporary files in `folder` that no running writer holds.
// Failures are ignored: the clean-up must never stop a write.
void RemoveStaleTemporaryFiles(const fs::path& folder);

// Keeps a path on the list of files removed when the program is ended by
// SIGINT, SIGTERM or SIGHUP (the signal then ends it as it would have).
// The handlers are installed on first use, for signals whose handling the
// program has not changed.
class RemoveOnSignal {
 public:
  explicit RemoveOnSignal(const fs::path& path);
  ~RemoveOnSignal();
  RemoveOnSignal(const RemoveOnSignal&) = delete;
  RemoveOnSignal& operator=(const RemoveOnSignal&) = delete;

 private:
  int slot_ = -1;
};

}  // namespace pixaldo
