#include "platform/TemporaryFiles.h"

#include <array>
#include <atomic>
#include <climits>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <random>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/WriteBatch.h"

namespace pixaldo {
namespace {

// ".NAME" + kMark + random letters + kTemporaryExtension: the mark tells
// this program's files from other programs' temporary files of a like form.
constexpr std::string_view kMark = ".pixaldo-";
constexpr std::string_view kTemporaryExtension = ".tmp";
constexpr size_t kRandomLength = 8;
constexpr std::string_view kRandomLetters = "abcdefghijklmnopqrstuvwxyz0123456789";

std::string RandomSuffix() {
  static std::mutex mutex;
  static std::mt19937_64 generator{std::random_device{}()};
  std::lock_guard<std::mutex> lock(mutex);
  std::string out;
  for (size_t i = 0; i < kRandomLength; ++i) out += kRandomLetters[generator() % kRandomLetters.size()];
  return out;
}

bool IsRandomPart(std::string_view text) {
  return text.size() == kRandomLength && text.find_first_not_of(kRandomLetters) == std::string_view::npos;
}

// ---- removal on signals ----
// The handler may only use what is safe in a signal handler: the paths are
// kept in fixed buffers, each claimed and released through an atomic state.
enum SlotState : int { kFree = 0, kFilling = 1, kHeld = 2 };
struct Slot {
  std::atomic<int> state{kFree};
  char path[PATH_MAX] = {};
};
std::array<Slot, 64> gSlots;
constexpr std::array<int, 3> kSignals{SIGINT, SIGTERM, SIGHUP};

extern "C" void RemoveTemporariesAndEnd(int signal) {
  for (Slot& slot : gSlots)
    if (slot.state.load() == kHeld) ::unlink(slot.path);
  WriteBatch::FlushForSignal();  // the renames done so far are made durable
  ::signal(signal, SIG_DFL);
  ::raise(signal);
}

void InstallHandlersOnce() {
  static std::once_flag once;
  std::call_once(once, [] {
    for (int signal : kSignals) {
      struct sigaction current {};
      if (::sigaction(signal, nullptr, &current) != 0 || current.sa_handler != SIG_DFL) continue;
      struct sigaction action {};
      action.sa_handler = RemoveTemporariesAndEnd;
      sigemptyset(&action.sa_mask);
      for (int other : kSignals) sigaddset(&action.sa_mask, other);
      ::sigaction(signal, &action, nullptr);
    }
  });
}

// Removes a leftover when no writer holds its lock. The lock is taken before
// the removal, so a writer that has just created the file either holds it
// already (and it stays) or finds its name gone and makes another.
void RemoveIfUnheld(const fs::path& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return;
  struct stat info {};
  if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0)
    ::unlink(path.c_str());
  ::close(fd);
}

}  // namespace

fs::path TemporaryNameFor(const fs::path& target) {
  fs::path folder = target.parent_path();
  if (folder.empty()) folder = ".";
  return folder / ("." + target.filename().string() + std::string(kMark) + RandomSuffix() +
                   std::string(kTemporaryExtension));
}

bool IsTemporaryName(std::string_view name) {
  if (name.size() < 2 || name.front() != '.' || !name.ends_with(kTemporaryExtension)) return false;
  const std::string_view before = name.substr(0, name.size() - kTemporaryExtension.size());
  if (before.size() < kRandomLength + kMark.size() + 2) return false;  // "." and at least one letter of NAME
  const std::string_view mark = before.substr(before.size() - kRandomLength - kMark.size(), kMark.size());
  return mark == kMark && IsRandomPart(before.substr(before.size() - kRandomLength));
}

void RemoveStaleTemporaryFiles(const fs::path& folder) {
  std::error_code error;
  for (fs::directory_iterator it(folder.empty() ? fs::path(".") : folder, error), end; !error && it != end;
       it.increment(error)) {
    if (IsTemporaryName(it->path().filename().native())) RemoveIfUnheld(it->path());
  }
}

RemoveOnSignal::RemoveOnSignal(const fs::path& path) {
  if (path.native().size() >= PATH_MAX) return;
  InstallHandlersOnce();
  for (size_t i = 0; i < gSlots.size(); ++i) {
    int expected = kFree;
    if (!gSlots[i].state.compare_exchange_strong(expected, kFilling)) continue;
    std::memcpy(gSlots[i].path, path.c_str(), path.native().size() + 1);
    gSlots[i].state.store(kHeld);
    slot_ = int(i);
    return;
  }
}

RemoveOnSignal::~RemoveOnSignal() {
  if (slot_ >= 0) gSlots[size_t(slot_)].state.store(kFree);
}

}  // namespace pixaldo
