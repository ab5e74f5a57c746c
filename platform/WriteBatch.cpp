#include "platform/WriteBatch.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <string>

#include "platform/FileError.h"

namespace pixaldo {
namespace {

// The folders waiting for their flush, held open: the signal handler sees
// only the descriptors (a fixed table of atomics), the rest under the mutex.
constexpr size_t kMaxFolders = 64;
struct Waiting {
  std::atomic<int> fd{-1};
};
std::array<Waiting, kMaxFolders> gWaiting;

struct BatchState {
  std::mutex mutex;
  int open = 0;                       // nesting depth
  std::set<std::string> cleaned;      // folders whose leftovers were looked for
  std::map<std::string, size_t> slots;  // folder → its place in gWaiting
};

BatchState& State() {
  static BatchState state;
  return state;
}

// A folder that cannot be flushed because its file system does not flush
// folders (EINVAL) or is read-only is no failure of the write.
int FlushFolder(int fd) {
  if (::fsync(fd) != 0 && errno != EINVAL && errno != EROFS) return errno;
  return 0;
}

// Flushes and forgets every waiting folder; the first failure's folder and
// errno are returned (errno 0: all flushed). Called with the mutex held.
std::pair<std::string, int> FlushAll(BatchState& state) {
  std::pair<std::string, int> first{{}, 0};
  for (const auto& [folder, slot] : state.slots) {
    const int fd = gWaiting[slot].fd.exchange(-1);
    if (fd < 0) continue;
    const int error = FlushFolder(fd);
    ::close(fd);
    if (error != 0 && first.second == 0) first = {folder, error};
  }
  state.slots.clear();
  state.cleaned.clear();
  return first;
}

}  // namespace

WriteBatch::WriteBatch() {
  std::lock_guard<std::mutex> lock(State().mutex);
  ++State().open;
}

WriteBatch::~WriteBatch() {
  BatchState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  if (--state.open == 0) FlushAll(state);
}

void WriteBatch::Finish() {
  BatchState& state = State();
  std::pair<std::string, int> failed;
  {
    std::lock_guard<std::mutex> lock(state.mutex);
    failed = FlushAll(state);
  }
  if (failed.second != 0)
    throw FileError(failed.first, "the new files are in place, but their folder could not be flushed to disk: " +
                                      std::string(std::strerror(failed.second)));
}

bool WriteBatch::FirstWriteInto(const std::filesystem::path& folder) {
  BatchState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  return state.open == 0 || state.cleaned.insert(folder.native()).second;
}

bool WriteBatch::DefersFlushOf(const std::filesystem::path& folder) {
  BatchState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  if (state.open == 0) return false;
  if (state.slots.count(folder.native())) return true;
  for (size_t slot = 0; slot < kMaxFolders; ++slot) {
    if (gWaiting[slot].fd.load() >= 0) continue;
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    gWaiting[slot].fd.store(fd);
    state.slots.emplace(folder.native(), slot);
    return true;
  }
  return false;
}

void WriteBatch::FlushForSignal() noexcept {
  for (Waiting& waiting : gWaiting) {
    const int fd = waiting.fd.exchange(-1);
    if (fd >= 0) ::fsync(fd);
  }
}

}  // namespace pixaldo
