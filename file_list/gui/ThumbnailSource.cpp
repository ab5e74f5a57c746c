#include "file_list/gui/ThumbnailSource.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <optional>
#include <set>
#include <thread>
#include <unordered_set>
#include <vector>

#include "platform/gui/UserMessages.h"
#include "thumbnails/ThumbnailCache.h"

namespace pixaldo {
namespace {

// Below the window's thread: the grid's work never makes the window wait.
constexpr int kWorkerNiceness = 10;

struct Stamp {
  std::int64_t size = -1;
  std::int64_t mtime = 0;
};

Stamp StampOf(const std::filesystem::path& file) {
  struct stat info {};
  if (::stat(file.c_str(), &info) != 0) return {};
  return {std::int64_t(info.st_size), std::int64_t(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec};
}

// The one place where a cell's pixels become what the screen shows (a
// colour conversion to the screen's profile would go here).
QImage CellImage(const RgbImage& image) {
  if (image.Empty()) return {};
  QImage cell(image.width, image.height, QImage::Format_RGB888);
  for (int y = 0; y < image.height; ++y) std::memcpy(cell.scanLine(y), image.Row(y), image.Stride());
  return cell.convertToFormat(QImage::Format_RGB32);  // the form the screen paints fastest
}

// The live sources, told of every photo this program rewrites (on the
// writing thread; each source hears of it on its own).
std::mutex gSourcesMutex;
std::set<TThumbnailSource*> gSources;

void ToldOfRewrite(const std::filesystem::path& photo) {
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(photo, error).lexically_normal();
  const QString path = PathToQString(error ? photo : absolute);
  std::lock_guard lock(gSourcesMutex);
  for (TThumbnailSource* source : gSources)
    QMetaObject::invokeMethod(source, [source, path] { source->Rewritten(path); }, Qt::QueuedConnection);
}

}  // namespace

// Two stages: one reader at the window's priority takes the wished cells
// from the cache in order (a warm folder's first screen needs nothing else,
// and does not wait behind the makers on a busy machine); what it misses
// goes on to the makers, one a core, below the window's priority.
struct TThumbnailSource::Pool {
  std::mutex mutex;
  std::condition_variable wake;
  std::deque<QString> waiting;  // to be looked up in the cache
  std::deque<QString> toMake;   // missing from the cache
  std::unordered_set<std::string> busy;  // paths in a worker's hands
  bool stop = false;
  ThumbnailCache cache;
  std::vector<std::thread> threads;

  // The next path of `queue` (marked busy), or nothing when stopped.
  std::optional<QString> Next(std::deque<QString> Pool::*queue) {
    std::unique_lock lock(mutex);
    wake.wait(lock, [&] { return stop || !(this->*queue).empty(); });
    if (stop) return std::nullopt;
    QString path = (this->*queue).front();
    (this->*queue).pop_front();
    busy.insert(path.toStdString());
    return path;
  }
  void Done(const QString& path, bool missed) {
    {
      std::lock_guard lock(mutex);
      busy.erase(path.toStdString());
      if (missed) toMake.push_back(path);
    }
    if (missed) wake.notify_all();
  }
};

void TThumbnailSource::Deliver(const QString& path, const ThumbnailResult& result, std::int64_t size,
                               std::int64_t mtime) {
  const QImage image = CellImage(result.image);
  const bool failed = result.Failed() || image.isNull();
  QMetaObject::invokeMethod(
      this, [this, path, image, failed, size, mtime] { Arrived(path, image, failed, size, mtime); },
      Qt::QueuedConnection);
}

void TThumbnailSource::Read(Pool& pool) {
  while (const std::optional<QString> path = pool.Next(&Pool::waiting)) {
    const std::filesystem::path file = QStringToPath(*path);
    const Stamp stamp = StampOf(file);  // before the read: a change meanwhile shows as stale
    ThumbnailResult result;
    bool missed = false;
    if (pool.cache.FailedBefore(file)) {
      result.failure = "failed before";
    } else if (std::optional<PngThumbnail> found = pool.cache.Lookup(file, size_, true)) {
      result.image = std::move(found->image);
    } else {
      missed = true;
    }
    if (!missed) Deliver(*path, result, stamp.size, stamp.mtime);
    pool.Done(*path, missed);
  }
}

void TThumbnailSource::Make(Pool& pool) {
  ::setpriority(PRIO_PROCESS, pid_t(::syscall(SYS_gettid)), kWorkerNiceness);
  while (const std::optional<QString> path = pool.Next(&Pool::toMake)) {
    const std::filesystem::path file = QStringToPath(*path);
    const Stamp stamp = StampOf(file);
    Deliver(*path, pool.cache.Obtain(file, size_, true), stamp.size, stamp.mtime);
    pool.Done(*path, false);
  }
}

TThumbnailSource::TThumbnailSource(ThumbnailSize size, QObject* parent)
    : QObject(parent), size_(size), pool_(std::make_unique<Pool>()) {
  {
    std::lock_guard lock(gSourcesMutex);
    gSources.insert(this);
  }
  SetThumbnailRefreshListener(ToldOfRewrite);
  pool_->threads.emplace_back([this] { Read(*pool_); });
  const unsigned makers = std::max(1u, std::thread::hardware_concurrency());
  for (unsigned i = 0; i < makers; ++i) pool_->threads.emplace_back([this] { Make(*pool_); });
}

TThumbnailSource::~TThumbnailSource() {
  {
    std::lock_guard lock(gSourcesMutex);
    gSources.erase(this);
  }
  {
    std::lock_guard lock(pool_->mutex);
    pool_->stop = true;
    pool_->waiting.clear();
    pool_->toMake.clear();
  }
  pool_->wake.notify_all();
  for (std::thread& thread : pool_->threads) thread.join();
}

bool TThumbnailSource::Idle() const {
  std::lock_guard lock(pool_->mutex);
  return pool_->waiting.empty() && pool_->toMake.empty() && pool_->busy.empty();
}

TThumbnailSource::State TThumbnailSource::Find(const QString& path, QImage* image) {
  const auto found = held_.constFind(path);
  if (found == held_.constEnd()) return State::Waiting;
  const auto entry = found.value();
  const Stamp now = StampOf(QStringToPath(path));
  if (now.size != entry->size || now.mtime != entry->mtime) {
    Rewritten(path);  // changed on disk since
    return State::Waiting;
  }
  recent_.splice(recent_.begin(), recent_, entry);
  if (entry->image.isNull()) return State::Failed;
  if (image) *image = entry->image;
  return State::Ready;
}

void TThumbnailSource::Want(const QStringList& paths) {
  {
    std::lock_guard lock(pool_->mutex);
    pool_->waiting.clear();
    pool_->toMake.clear();
    for (const QString& path : paths)
      if (!held_.contains(path) && !pool_->busy.count(path.toStdString())) pool_->waiting.push_back(path);
  }
  pool_->wake.notify_all();
}

void TThumbnailSource::Forget(const QString& path) {
  const auto found = held_.find(path);
  if (found == held_.end()) return;
  heldBytes_ -= found.value()->image.sizeInBytes();
  recent_.erase(found.value());
  held_.erase(found);
}

void TThumbnailSource::Rewritten(const QString& path) {
  if (!held_.contains(path)) return;  // never shown, or no longer kept: made when asked for
  Forget(path);
  MakeFirst(path);
}

void TThumbnailSource::MakeFirst(const QString& path) {
  {
    std::lock_guard lock(pool_->mutex);
    if (pool_->busy.count(path.toStdString())) return;
    for (std::deque<QString>* queue : {&pool_->waiting, &pool_->toMake})
      queue->erase(std::remove(queue->begin(), queue->end(), path), queue->end());
    pool_->toMake.push_front(path);  // the cache's entry is gone or stale
  }
  pool_->wake.notify_all();  // the reader and the makers share it
}

void TThumbnailSource::SetBudget(std::int64_t bytes) {
  budget_ = bytes;
  Trim();
}

void TThumbnailSource::Arrived(const QString& path, const QImage& image, bool failed, std::int64_t size,
                               std::int64_t mtime) {
  Forget(path);
  recent_.push_front({path, failed ? QImage() : image, size, mtime});
  held_.insert(path, recent_.begin());
  heldBytes_ += recent_.front().image.sizeInBytes();
  Trim();
  emit Ready(path);
}

void TThumbnailSource::Trim() {
  // The newest stays whatever the budget: it is being shown.
  while (heldBytes_ > budget_ && recent_.size() > 1) Forget(recent_.back().path);
}

}  // namespace pixaldo
