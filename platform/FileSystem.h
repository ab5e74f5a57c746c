#pragma once
// File access for the core. Every write of a user's file goes through
// WriteFileAtomic or AtomicFileWriter: the data goes to a temporary file in
// the same directory, is flushed to disk and renamed over the target, which
// keeps its permissions. A failure at any step removes the temporary file,
// leaves the target as it was and throws FileError naming the target.
//
// Tests can make the Nth write, flush or rename fail (FaultInjection) to check
// that every writing operation keeps that promise.
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/FileError.h"

namespace pixaldo {

namespace fs = std::filesystem;

// The whole file as bytes. Throws FileError when it cannot be opened or read,
// or when it is larger than maxBytes.
std::string ReadWholeFile(const fs::path& path, uint64_t maxBytes = uint64_t(1) << 31);
// The checks of ReadWholeFile without reading: throws the same FileError
// when the file could not be read whole.
void CheckWholeFile(const fs::path& path, uint64_t maxBytes = uint64_t(1) << 31);

// At most `count` bytes of the file from its start (fewer when it is shorter).
std::string ReadFileHead(const fs::path& path, size_t count);

// Replaces (or creates) the file with the bytes, atomically.
void WriteFileAtomic(const fs::path& path, std::string_view bytes);

// Writes a new file in pieces, atomically: Write as often as needed, then
// Commit. Destroying it without Commit removes the temporary file.
class AtomicFileWriter {
 public:
  explicit AtomicFileWriter(fs::path target);
  ~AtomicFileWriter();
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

  void Write(std::string_view bytes);
  void Commit();
  const fs::path& TemporaryPath() const { return temp_; }

 private:
  void Fail(const std::string& reason);
  fs::path target_;
  fs::path temp_;
  int fd_ = -1;
  bool committed_ = false;
};

// A unique, empty temporary file in `directory` whose name starts with
// `prefix`; the caller removes it. Throws FileError on failure.
fs::path MakeTemporaryFile(const fs::path& directory, const std::string& prefix);

// Copies source to target atomically (replacing target). Throws FileError.
void CopyFileAtomic(const fs::path& source, const fs::path& target);

// Renames over an existing file through the fault-injection layer.
void RenameFile(const fs::path& from, const fs::path& to);

// Modification time with full precision; nothing when the file is missing.
using FileTime = std::filesystem::file_time_type;
std::optional<FileTime> GetFileDate(const fs::path& path);
// Sets the modification time; failures are ignored, as a kept date is a
// courtesy that must never stop a write that already succeeded.
void SetFileDate(const fs::path& path, FileTime time);
// Modification time as seconds since the epoch (for labels and exports).
std::time_t ToTimeT(FileTime time);

// Fault injection for tests: the operation numbered `failAt` (counting every
// write, flush and rename made through this layer from 1) fails as if the disk
// were full. 0 turns it off. The counter is global and not thread-safe.
namespace FaultInjection {
enum class Step { Write, Flush, Rename };
void FailAt(int operationNumber);
int OperationsSoFar();
void Reset();
// Called by the layer before each step; true when this step must fail.
bool ShouldFail(Step step);
}  // namespace FaultInjection

}  // namespace pixaldo
