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

}  // namespace

struct TThumbnailSource::Pool {
  std::mutex mutex;
  std::condition_variable wake;
  std::deque<QString> waiting;
  std::unordered_set<std::string> busy;  // paths in a worker's hands
  bool stop = false;
  ThumbnailCache cache;
  std::vector<std::thread> threads;
};

TThumbnailSource::TThumbnailSource(ThumbnailSize size, QObject* parent)
    : QObject(parent), size_(size), pool_(std::make_unique<Pool>()) {
  const unsigned workers = std::max(1u, std::thread::hardware_concurrency());
  for (unsigned i = 0; i < workers; ++i) {
    pool_->threads.emplace_back([this, pool = pool_.get()] {
      ::setpriority(PRIO_PROCESS, pid_t(::syscall(SYS_gettid)), kWorkerNiceness);
      for (;;) {
        QString path;
        {
          std::unique_lock lock(pool->mutex);
          pool->wake.wait(lock, [pool] { return pool->stop || !pool->waiting.empty(); });
          if (pool->stop) return;
          path = pool->waiting.front();
          pool->waiting.pop_front();
          pool->busy.insert(path.toStdString());
        }
        const std::filesystem::path file = QStringToPath(path);
        const Stamp stamp = StampOf(file);
        ThumbnailResult result;
        if (pool->cache.FailedBefore(file))
          result.failure = "failed before";
        else
          result = pool->cache.Obtain(file, size_, true);
        const QImage image = CellImage(result.image);
        const bool failed = result.Failed() || image.isNull();
        QMetaObject::invokeMethod(
            this, [this, path, image, failed, stamp] { Arrived(path, image, failed, stamp.size, stamp.mtime); },
            Qt::QueuedConnection);
        {
          std::lock_guard lock(pool->mutex);
          pool->busy.erase(path.toStdString());
        }
      }
    });
  }
}

TThumbnailSource::~TThumbnailSource() {
  {
    std::lock_guard lock(pool_->mutex);
    pool_->stop = true;
    pool_->waiting.clear();
  }
  pool_->wake.notify_all();
  for (std::thread& thread : pool_->threads) thread.join();
}

bool TThumbnailSource::Idle() const {
  std::lock_guard lock(pool_->mutex);
  return pool_->waiting.empty() && pool_->busy.empty();
}

TThumbnailSource::State TThumbnailSource::Find(const QString& path, QImage* image) {
  const auto found = held_.constFind(path);
  if (found == held_.constEnd()) return State::Waiting;
  const auto entry = found.value();
  const Stamp now = StampOf(QStringToPath(path));
  if (now.size != entry->size || now.mtime != entry->mtime) {
    Forget(path);  // changed on disk since
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
