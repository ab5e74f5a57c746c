#include "undo/UndoStore.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>

#define XXH_INLINE_ALL
#include <xxhash.h>

#include "platform/FileError.h"
#include "platform/FileLock.h"
#include "platform/FileSystem.h"

namespace pixaldo {
namespace {

constexpr uint64_t kMostBytes = uint64_t(2) << 30;
constexpr const char* kLockName = "lock";
constexpr const char* kNameFile = "name";
constexpr const char* kLogFile = "entries";

std::string Reason(int error) { return std::strerror(error); }

// The folder with its missing parents, the last one private (0700) and ours.
std::string MakePrivateFolder(const fs::path& folder) {
  std::error_code error;
  fs::create_directories(folder.parent_path(), error);
  if (error) return error.message();
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return Reason(errno);
  struct stat info {};
  if (::lstat(folder.c_str(), &info) != 0) return Reason(errno);
  if (!S_ISDIR(info.st_mode) || info.st_uid != ::getuid()) return folder.string() + " is not a folder of yours";
  if ((info.st_mode & 0777) != 0700 && ::chmod(folder.c_str(), 0700) != 0) return Reason(errno);
  return {};
}

// Opens and locks the file; -1 when another process holds it.
int LockOpen(const fs::path& file) {
  const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return -1;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

int64_t Nanoseconds(FileTime time) {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(time.time_since_epoch()).count();
}
FileTime FromNanoseconds(int64_t count) {
  return FileTime(std::chrono::duration_cast<FileTime::duration>(std::chrono::nanoseconds(count)));
}

// The records of a command's list: fields written as LENGTH:BYTES, so that
// any file name is kept whole, a record ending in a line feed.
using Record = std::vector<std::string>;

std::string Encode(const Record& record) {
  std::string text;
  for (const std::string& field : record) text += std::to_string(field.size()) + ":" + field;
  return text + "\n";
}

std::vector<Record> Decode(const std::string& text) {
  std::vector<Record> records;
  Record record;
  size_t at = 0;
  while (at < text.size()) {
    if (text[at] == '\n') {
      records.push_back(std::move(record));
      record.clear();
      ++at;
      continue;
    }
    const size_t colon = text.find(':', at);
    if (colon == std::string::npos || colon - at > 19) break;
    const std::string digits = text.substr(at, colon - at);
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos) break;
    const uint64_t length = std::stoull(digits);
    if (length > text.size() - colon - 1) break;  // a record cut short by a crash
    record.push_back(text.substr(colon + 1, size_t(length)));
    at = colon + 1 + size_t(length);
  }
  return records;
}

Record StampFields(const FileFingerprint& stamp) {
  return {stamp.exists ? "1" : "0", std::to_string(stamp.size), std::to_string(Nanoseconds(stamp.date)),
          std::to_string(stamp.hash)};
}

FileFingerprint StampFrom(const Record& record, size_t at) {
  FileFingerprint stamp;
  stamp.exists = record.at(at) == "1";
  stamp.size = std::stoull(record.at(at + 1));
  stamp.date = FromNanoseconds(std::stoll(record.at(at + 2)));
  stamp.hash = std::stoull(record.at(at + 3));
  return stamp;
}

// Keeps the original of `file` as `kept`: a second name of the same file when
// both are on one file system (the command's atomic write replaces the name,
// never the bytes), else a copy.
void KeepOriginal(const fs::path& file, const fs::path& kept) {
  const fs::path resolved = ResolveLinks(file);
  if (::link(resolved.c_str(), kept.c_str()) == 0) return;
  std::error_code error;
  fs::copy_file(resolved, kept, fs::copy_options::overwrite_existing, error);
  if (error) throw FileError(file, "cannot keep the original for undo: " + error.message());
}

// Adds a record to a command's list. A record that could not be added
// leaves its entry unfinished: such a file is never put back.
bool AppendRecord(const fs::path& log, const Record& record) {
  const std::string line = Encode(record);
  const int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  const bool whole = ::write(fd, line.data(), line.size()) == ssize_t(line.size());
  ::close(fd);
  return whole;
}

// One entry of a command read back from its list.
struct Recorded {
  enum Kind { Rewritten, Trashed, Renamed } kind = Rewritten;
  fs::path file;      // the file to put back
  fs::path other;     // the kept original, the file in the trash, or the new name
  FileTime date{};    // the original's date
  bool existed = true;
  std::optional<FileFingerprint> after;  // how the command left it; nothing: not known
};

std::vector<Recorded> ReadCommand(const fs::path& folder) {
  std::string text;
  try {
    text = ReadWholeFile(folder / kLogFile);
  } catch (const FileError&) {
    return {};
  }
  std::vector<Recorded> entries;
  std::map<std::string, size_t> byIndex;
  for (const Record& record : Decode(text)) {
    try {
      const std::string& tag = record.at(0);
      if (tag == "keep") {
        Recorded entry;
        entry.file = record.at(2);
        entry.existed = !record.at(3).empty();
        entry.other = entry.existed ? folder / record.at(3) : fs::path();
        entry.date = FromNanoseconds(std::stoll(record.at(5)));
        byIndex[record.at(1)] = entries.size();
        entries.push_back(std::move(entry));
      } else if (tag == "after" || tag == "none") {
        const auto found = byIndex.find(record.at(1));
        if (found == byIndex.end()) continue;
        if (tag == "after")
          entries[found->second].after = StampFrom(record, 2);
        else
          entries[found->second].file.clear();  // left alone
      } else if (tag == "trash" || tag == "rename") {
        Recorded entry;
        entry.kind = tag == "trash" ? Recorded::Trashed : Recorded::Renamed;
        entry.file = record.at(1);
        entry.other = record.at(2);
        entry.after = StampFrom(record, 3);
        entries.push_back(std::move(entry));
      }
    } catch (const std::exception&) {
      // a damaged record: its file is not put back
    }
  }
  std::erase_if(entries, [](const Recorded& entry) { return entry.file.empty(); });
  return entries;
}

// Whether `file` is as the command left it; the reason when not.
std::string ChangedSince(const fs::path& file, const std::optional<FileFingerprint>& after) {
  if (!after) return "the command did not finish on it";
  FileFingerprint now;
  try {
    now = FingerprintOf(file);
  } catch (const FileError& error) {
    return error.reason();
  }
  if (!now.exists && after->exists) return "it was removed after the command";
  if (now != *after) return "it was changed after the command";
  return {};
}

bool Exists(const fs::path& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0;
}

// Moves a file back from the trash, its record of origin removed.
void TakeFromTrash(const fs::path& inTrash, const fs::path& file) {
  if (::rename(inTrash.c_str(), file.c_str()) != 0)
    throw FileError(file, "cannot take it back from the trash: " + Reason(errno));
  const fs::path info = inTrash.parent_path().parent_path() / "info" / (inTrash.filename().native() + ".trashinfo");
  ::unlink(info.c_str());
}

std::optional<UndoSkip> PutBack(const Recorded& entry) {
  try {
    switch (entry.kind) {
      case Recorded::Rewritten: {
        const PhotoLock lock(entry.file);
        if (std::string changed = ChangedSince(entry.file, entry.after); !changed.empty())
          return UndoSkip{entry.file, changed};
        if (!entry.existed) {
          if (::unlink(entry.file.c_str()) != 0) throw FileError(entry.file, Reason(errno));
        } else {
          WriteFileAtomic(entry.file, ReadWholeFile(entry.other), entry.date);
        }
        break;
      }
      case Recorded::Trashed:
      case Recorded::Renamed: {
        const fs::path& now = entry.other;
        if (std::string changed = ChangedSince(now, entry.after); !changed.empty()) return UndoSkip{entry.file, changed};
        if (Exists(entry.file)) return UndoSkip{entry.file, "another file has that name now"};
        if (entry.kind == Recorded::Trashed)
          TakeFromTrash(now, entry.file);
        else if (::rename(now.c_str(), entry.file.c_str()) != 0)
          throw FileError(entry.file, "cannot rename it back: " + Reason(errno));
        break;
      }
    }
  } catch (const FileError& error) {
    return UndoSkip{entry.file, error.reason()};
  }
  return std::nullopt;
}

std::vector<UndoSkip> UndoCommand(const fs::path& folder) {
  std::vector<UndoSkip> skipped;
  std::vector<Recorded> entries = ReadCommand(folder);
  for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry)
    if (std::optional<UndoSkip> skip = PutBack(*entry)) skipped.push_back(std::move(*skip));
  return skipped;
}

// The numbered command folders of a store, oldest first.
std::vector<fs::path> CommandsOf(const fs::path& store) {
  std::vector<fs::path> folders;
  std::error_code error;
  for (const auto& item : fs::directory_iterator(store, error))
    if (item.is_directory(error) && std::isdigit(static_cast<unsigned char>(item.path().filename().native()[0])))
      folders.push_back(item.path());
  std::sort(folders.begin(), folders.end(), [](const fs::path& a, const fs::path& b) {
    return std::stoll(a.filename().native()) < std::stoll(b.filename().native());
  });
  return folders;
}

void RemoveFolder(const fs::path& folder) {
  std::error_code error;
  fs::remove_all(folder, error);
}

}  // namespace

FileFingerprint FingerprintOf(const fs::path& file) {
  FileFingerprint stamp;
  const FileFacts facts = LookAtFile(file);
  if (!facts.exists) return stamp;
  stamp.exists = true;
  stamp.size = facts.size;
  stamp.date = facts.date;
  const int fd = OpenRegularFile(file);
  XXH3_state_t state;
  XXH3_64bits_reset(&state);
  std::string buffer(1 << 20, '\0');
  for (;;) {
    const ssize_t got = ::read(fd, buffer.data(), buffer.size());
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      const int error = errno;
      ::close(fd);
      throw FileError(file, "cannot read the file: " + Reason(error));
    }
    if (got == 0) break;
    XXH3_64bits_update(&state, buffer.data(), size_t(got));
  }
  ::close(fd);
  stamp.hash = XXH3_64bits_digest(&state);
  return stamp;
}

struct UndoStore::Entry {
  fs::path file;
  bool existed = false;
  uint64_t size = 0;
};

fs::path UndoStore::DefaultRoot() {
  const char* cache = std::getenv("XDG_CACHE_HOME");
  if (cache && *cache == '/') return fs::path(cache) / "pixaldo" / "undo";
  const char* home = std::getenv("HOME");
  return fs::path(home && *home ? home : "/tmp") / ".cache" / "pixaldo" / "undo";
}

UndoStore::UndoStore(const fs::path& root) {
  problem_ = MakePrivateFolder(root);
  if (!problem_.empty()) return;
  std::random_device random;
  for (int attempt = 0; attempt < 100 && folder_.empty(); ++attempt) {
    const fs::path candidate = root / ("run-" + std::to_string(::getpid()) + "-" + std::to_string(random() % 1000000));
    if (::mkdir(candidate.c_str(), 0700) != 0) continue;
    lockFd_ = LockOpen(candidate / kLockName);
    if (lockFd_ < 0) {
      RemoveFolder(candidate);
      continue;
    }
    folder_ = candidate;
  }
  if (folder_.empty()) problem_ = "cannot make a folder in " + root.string();
}

UndoStore::~UndoStore() {
  if (folder_.empty()) return;
  RemoveFolder(folder_);
  ::close(lockFd_);
}

uint64_t UndoStore::Limit() const {
  struct statvfs info {};
  if (folder_.empty() || ::statvfs(folder_.c_str(), &info) != 0) return 0;
  const uint64_t free = uint64_t(info.f_bavail) * info.f_frsize;
  return std::min({kMostBytes, cap_, (free + KeptBytes()) / 4});
}

bool UndoStore::Fits(uint64_t bytes) const { return Usable() && bytes <= Limit(); }

uint64_t UndoStore::KeptBytes() const {
  uint64_t total = 0;
  for (const Command& command : commands_) total += command.bytes;
  return total;
}

fs::path UndoStore::CommandFolder(int number) const { return folder_ / std::to_string(number); }

void UndoStore::DropOldest() {
  RemoveFolder(CommandFolder(commands_.front().number));
  commands_.erase(commands_.begin());
}

void UndoStore::DropUnchangedLast() {
  while (!commands_.empty() && !commands_.back().changed) {
    RemoveFolder(LastFolder());
    commands_.pop_back();
  }
}

void UndoStore::Begin(const std::string& name, uint64_t bytes) {
  const std::lock_guard guard(mutex_);
  if (!Usable()) return;
  DropUnchangedLast();  // it has ended: nothing to take back there
  const uint64_t limit = Limit();
  while (!commands_.empty() && KeptBytes() + bytes > limit) DropOldest();
  const int number = next_++;
  std::error_code error;
  fs::create_directory(CommandFolder(number), error);
  WriteFileAtomic(CommandFolder(number) / kNameFile, name);
  commands_.push_back({number, name});
  entries_.clear();
}

void UndoStore::ForgetAll() {
  const std::lock_guard guard(mutex_);
  while (!commands_.empty()) DropOldest();
  entries_.clear();
}

size_t UndoStore::Keep(const fs::path& file) {
  const std::lock_guard guard(mutex_);
  if (commands_.empty()) throw FileError(file, "no command was begun for undo");
  const size_t index = entries_.size();
  const fs::path folder = LastFolder();
  const FileFacts facts = LookAtFile(file);
  std::string keptName;
  if (facts.exists) {
    keptName = std::to_string(index);
    KeepOriginal(file, folder / keptName);
    commands_.back().bytes += facts.size;
  }
  entries_.push_back({fs::absolute(file), facts.exists, facts.size});
  if (!AppendRecord(folder / kLogFile, {"keep", std::to_string(index), fs::absolute(file).native(), keptName,
                                        std::to_string(facts.size), std::to_string(Nanoseconds(facts.date))}))
    throw FileError(file, "cannot note the original for undo: " + Reason(errno));
  return index;
}

void UndoStore::Changed(size_t entry) {
  const std::lock_guard guard(mutex_);
  if (commands_.empty() || entry >= entries_.size()) return;
  commands_.back().changed = true;  // even when it cannot be put back: Undo names it
  FileFingerprint stamp;
  try {
    stamp = FingerprintOf(entries_[entry].file);
  } catch (const FileError&) {
    return;  // not known how the command left it: never put back
  }
  Record record{"after", std::to_string(entry)};
  for (std::string& field : StampFields(stamp)) record.push_back(std::move(field));
  AppendRecord(LastFolder() / kLogFile, record);
}

void UndoStore::Unchanged(size_t entry) {
  const std::lock_guard guard(mutex_);
  if (commands_.empty() || entry >= entries_.size()) return;
  AppendRecord(LastFolder() / kLogFile, {"none", std::to_string(entry)});
  std::error_code error;
  fs::remove(LastFolder() / std::to_string(entry), error);
  uint64_t& bytes = commands_.back().bytes;
  if (entries_[entry].existed) bytes -= std::min(bytes, entries_[entry].size);
}

void UndoStore::Trashed(const fs::path& file, const fs::path& inTrash) { Moved("trash", file, inTrash); }

void UndoStore::Renamed(const fs::path& from, const fs::path& to) { Moved("rename", from, to); }

void UndoStore::Moved(const char* tag, const fs::path& from, const fs::path& to) {
  const std::lock_guard guard(mutex_);
  if (commands_.empty()) return;
  FileFingerprint stamp;
  try {
    stamp = FingerprintOf(to);
  } catch (const FileError&) {
    return;
  }
  Record record{tag, fs::absolute(from).native(), fs::absolute(to).native()};
  for (std::string& field : StampFields(stamp)) record.push_back(std::move(field));
  if (AppendRecord(LastFolder() / kLogFile, record)) commands_.back().changed = true;
}

const UndoStore::Command* UndoStore::LastChanged() const {
  const auto last = std::find_if(commands_.rbegin(), commands_.rend(), [](const Command& command) {
    return command.changed;
  });
  return last == commands_.rend() ? nullptr : &*last;
}

bool UndoStore::CanUndo() const {
  const std::lock_guard guard(mutex_);
  return LastChanged();
}

std::string UndoStore::LastName() const {
  const std::lock_guard guard(mutex_);
  const Command* last = LastChanged();
  return last ? last->name : std::string();
}

std::vector<UndoSkip> UndoStore::UndoLast() {
  const std::lock_guard guard(mutex_);
  DropUnchangedLast();
  if (commands_.empty()) return {};
  std::vector<UndoSkip> skipped = UndoCommand(LastFolder());
  RemoveFolder(LastFolder());
  commands_.pop_back();
  entries_.clear();
  return skipped;
}

std::vector<fs::path> UndoStore::LeftBehind(const fs::path& root) {
  std::vector<fs::path> stores;
  std::error_code error;
  for (const auto& item : fs::directory_iterator(root, error)) {
    if (!item.is_directory(error) || !item.path().filename().native().starts_with("run-")) continue;
    const int fd = LockOpen(item.path() / kLockName);
    if (fd < 0) continue;  // its run is still going
    ::close(fd);
    if (FilesIn(item.path()) > 0)
      stores.push_back(item.path());
    else
      RemoveFolder(item.path());
  }
  std::sort(stores.begin(), stores.end());
  return stores;
}

size_t UndoStore::FilesIn(const fs::path& store) {
  size_t files = 0;
  for (const fs::path& command : CommandsOf(store)) files += ReadCommand(command).size();
  return files;
}

std::vector<UndoSkip> UndoStore::RestoreLeftBehind(const fs::path& store, bool restore) {
  std::vector<UndoSkip> skipped;
  const int fd = LockOpen(store / kLockName);
  if (fd < 0) return skipped;  // taken by another run meanwhile
  if (restore) {
    std::vector<fs::path> commands = CommandsOf(store);
    for (auto command = commands.rbegin(); command != commands.rend(); ++command)
      for (UndoSkip& skip : UndoCommand(*command)) skipped.push_back(std::move(skip));
  }
  RemoveFolder(store);
  ::close(fd);
  return skipped;
}

}  // namespace pixaldo
