#pragma once
// File access for the core. Every write of a user's file goes through
// WriteFileAtomic or AtomicFileWriter: the data goes to a temporary file in
// the same directory, is flushed to disk and renamed over the target, and the
// folder is flushed after the rename. The new file keeps the owner, group,
// permissions and extended attributes of the one it replaces. A symbolic link
// stays a link: the file it names is written. A target that exists but is no
// regular file (a device, a pipe) is written into directly; a folder is
// refused. A failure at any step removes the temporary file, leaves the
// target as it was and throws FileError naming the target.
//
// Writers lock their target (PhotoLock) and their temporary file; see
// platform/FileLock.h and platform/TemporaryFiles.h.
//
// Every read opens only regular files, without waiting on a pipe or device
// named like a photo, and says so at once when the file is something else.
//
// Tests can make the Nth step fail (FaultInjection) to check that every
// writing operation keeps that promise.
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include <memory>

#include "platform/FileError.h"
#include "platform/FileLock.h"
#include "platform/TemporaryFiles.h"

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

// Opens a regular file for reading and returns its descriptor (the caller
// closes it). Throws FileError naming the file: "is a folder", "not a regular
// file", or the system's reason, without blocking on a pipe or device.
int OpenRegularFile(const fs::path& path);

// Replaces (or creates) the file with the bytes, atomically; with a date,
// the new file gets that modification time before it replaces the old one.
void WriteFileAtomic(const fs::path& path, std::string_view bytes, std::optional<FileTime> date = std::nullopt);

using FileTime = std::filesystem::file_time_type;

// What a write is for: a user's file (locked, flushed to disk, its folder
// cleaned of leftovers), or a private cache file that can always be made
// again (a new one gets mode 0600; no lock, no flush, no clean-up walk of a
// folder that may hold thousands of entries). Both replace the target by
// renaming a temporary file over it.
enum class WriteKind { UserFile, CacheFile };

// Writes a new file in pieces, atomically: Write as often as needed, then
// Commit. Destroying it without Commit removes the temporary file.
class AtomicFileWriter {
 public:
  explicit AtomicFileWriter(fs::path target, WriteKind kind = WriteKind::UserFile);
  ~AtomicFileWriter();
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

  void Write(std::string_view bytes);
  // Gives the new file this modification time before it replaces the old one
  // (so no interruption can leave new bytes under a new date).
  void KeepDate(FileTime date) { keptDate_ = date; }
  void Commit();
  // The file the bytes go to until Commit: the temporary file, or the target
  // itself when that is written directly.
  const fs::path& TemporaryPath() const { return direct_ ? resolved_ : temp_; }

 private:
  void OpenDirect();
  void CreateTemporary();
  void Fail(const std::string& reason);
  void SyncFolder();
  fs::path target_;    // as the caller named it, for messages
  fs::path resolved_;  // the file written: links followed
  fs::path temp_;
  int fd_ = -1;
  bool direct_ = false;
  bool committed_ = false;
  WriteKind kind_ = WriteKind::UserFile;
  std::optional<FileTime> keptDate_;
  std::unique_ptr<PhotoLock> lock_;
  std::unique_ptr<RemoveOnSignal> removeOnSignal_;
};

// Told of every user's file an atomic write has just replaced (called on the
// writing thread, after the rename; must not throw). One observer at a time;
// nullptr removes it.
using WrittenFileObserver = void (*)(const fs::path& target);
void SetWrittenFileObserver(WrittenFileObserver observer);

// Copies source to target atomically (replacing target). Throws FileError.
void CopyFileAtomic(const fs::path& source, const fs::path& target);

// Modification time with full precision; nothing when the file is missing.
std::optional<FileTime> GetFileDate(const fs::path& path);
// Sets the modification time; failures are ignored, as a kept date is a
// courtesy that must never stop a write that already succeeded.
void SetFileDate(const fs::path& path, FileTime time);
// Modification time as seconds since the epoch (for labels and exports).
std::time_t ToTimeT(FileTime time);

// What one look at a file (through links) tells: whether it exists, whether
// it is a regular file, its size and modification time (0 and the epoch
// when it does not exist).
struct FileFacts {
  bool exists = false;
  bool regular = false;
  uint64_t size = 0;
  FileTime date{};
};
FileFacts LookAtFile(const fs::path& path);

// Fault injection for tests: the operation numbered `failAt` (counting every
// lock, write, attribute copy, flush, rename and folder flush made through
// this layer from 1) fails as if the disk were full. 0 turns it off. The
// counter is global and not thread-safe.
namespace FaultInjection {
enum class Step { Lock, Write, Attributes, Flush, Rename, SyncFolder };
void FailAt(int operationNumber);
int OperationsSoFar();
// The kind of the step that was made to fail, once it has.
std::optional<Step> FailedStep();
void Reset();
// Called by the layer before each step; true when this step must fail.
bool ShouldFail(Step step);
}  // namespace FaultInjection

}  // namespace pixaldo
