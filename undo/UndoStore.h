#pragma once
// The undo store: the originals of the files the last commands changed, kept
// so that each can be put back byte for byte with its date.
//
// Each run of the program keeps its own store, a folder under
// $XDG_CACHE_HOME/pixaldo/undo (mode 0700) locked for as long as the run
// lives and removed when it ends normally. A store whose lock nobody holds
// was left by a run that crashed: LeftBehind finds it, RestoreLeftBehind
// puts its files back and removes it.
//
// A command is a numbered folder in the store with a list of entries: a file
// rewritten (its original kept: a second name of the same file where the
// file system allows, else a copy), a file made where none was, a file moved
// to the trash, a file renamed. Each entry also records the file as the
// command left it (size, date and a hash of its bytes): undo puts a file back
// only when it is still exactly that, and names every file it skipped.
//
// The originals take at most Limit() bytes: 2 GB, or a quarter of the free
// space, whichever is smaller. The oldest commands make room for a new one.
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace pixaldo {

namespace fs = std::filesystem;
using FileTime = std::filesystem::file_time_type;

// What tells that a file changed: whether it is there, its size, its date
// and a hash of its bytes.
struct FileFingerprint {
  bool exists = false;
  uint64_t size = 0;
  FileTime date{};
  uint64_t hash = 0;
  bool operator==(const FileFingerprint&) const = default;
};
// Throws FileError when the file is there but cannot be read.
FileFingerprint FingerprintOf(const fs::path& file);

// One file an undo could not put back, and why.
struct UndoSkip {
  fs::path file;
  std::string reason;
};

class UndoStore {
 public:
  // $XDG_CACHE_HOME/pixaldo/undo, or ~/.cache/pixaldo/undo.
  static fs::path DefaultRoot();

  // Opens a new, empty store for this run under `root`. Without a usable
  // folder the store keeps nothing (Usable() false) and says why.
  explicit UndoStore(const fs::path& root = DefaultRoot());
  // Removes the store: the run ended normally.
  ~UndoStore();
  UndoStore(const UndoStore&) = delete;
  UndoStore& operator=(const UndoStore&) = delete;

  bool Usable() const { return !folder_.empty(); }
  const std::string& Problem() const { return problem_; }
  const fs::path& Folder() const { return folder_; }

  // How many bytes of originals the store may hold.
  uint64_t Limit() const;
  // Lowers the 2 GB ceiling of Limit() (tests make a small store with it).
  void CapLimit(uint64_t bytes) { cap_ = bytes; }
  // Whether originals of `bytes` can be kept (the oldest commands giving way).
  bool Fits(uint64_t bytes) const;

  // Starts a command: once it has changed a file it is the last one, the one
  // Undo takes back. A command that changed no file (every write failed or
  // left its file alone) counts for nothing: the one before stays the last.
  // Commands older than the last few give way until `bytes` more fit.
  void Begin(const std::string& name, uint64_t bytes = 0);
  // A command that keeps nothing: what was kept before can no longer be
  // undone in order, so it is all forgotten.
  void ForgetAll();

  // The entries of the command begun last; safe from several threads.
  // Before a file is rewritten or made: keeps the original (or notes that
  // there was none). Returns the entry's number for Changed or Unchanged.
  // Throws FileError when the original cannot be kept.
  size_t Keep(const fs::path& file);
  // The command has rewritten or made the file: its state now is recorded.
  void Changed(size_t entry);
  // The command failed on the file or left it alone: nothing to undo there.
  void Unchanged(size_t entry);
  void Trashed(const fs::path& file, const fs::path& inTrash);
  void Renamed(const fs::path& from, const fs::path& to);

  // Whether there is a command that changed files to undo, and its name.
  bool CanUndo() const;
  std::string LastName() const;
  // Puts back the files of the last command, newest entry first, and forgets
  // the command. Returns the files it skipped.
  std::vector<UndoSkip> UndoLast();

  // Stores under `root` left by runs that ended without removing them.
  static std::vector<fs::path> LeftBehind(const fs::path& root = DefaultRoot());
  // The number of files a left store would put back.
  static size_t FilesIn(const fs::path& store);
  // Puts back every file of a left store (newest command first), then
  // removes it; with `restore` false only removes it.
  static std::vector<UndoSkip> RestoreLeftBehind(const fs::path& store, bool restore = true);

 private:
  struct Entry;
  struct Command {
    int number;
    std::string name;
    uint64_t bytes = 0;   // of the originals it keeps
    bool changed = false;  // whether it changed a file
  };
  fs::path CommandFolder(int number) const;
  fs::path LastFolder() const { return CommandFolder(commands_.back().number); }
  void DropOldest();
  // Forgets the last commands as long as they changed no file.
  void DropUnchangedLast();
  // The last command that changed a file; null with none.
  const Command* LastChanged() const;
  void Moved(const char* tag, const fs::path& from, const fs::path& to);
  uint64_t KeptBytes() const;

  fs::path folder_;
  std::string problem_;
  int lockFd_ = -1;
  uint64_t cap_ = UINT64_MAX;
  int next_ = 1;
  std::vector<Command> commands_;  // oldest first
  std::vector<Entry> entries_;  // of the last command
  mutable std::mutex mutex_;
};

}  // namespace pixaldo
