#include "file_list/gui/PhotoTagsReader.h"

#include "photo_record/JpegBasicObject.h"
#include "platform/gui/UserMessages.h"

namespace pixaldo {
namespace {

// Files read between two batches handed to the window.
constexpr size_t kBatch = 32;

}  // namespace

TPhotoTagsReader::TPhotoTagsReader(QObject* parent) : QObject(parent), thread_([this] { Work(); }) {}

TPhotoTagsReader::~TPhotoTagsReader() {
  {
    const std::lock_guard lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

void TPhotoTagsReader::Look(const QStringList& paths) {
  std::vector<Job> jobs;
  jobs.reserve(size_t(paths.size()));
  for (const QString& path : paths) {
    const auto known = known_.constFind(path);
    jobs.push_back({path, known == known_.constEnd() ? std::nullopt : std::optional(known->Stamp)});
  }
  {
    const std::lock_guard lock(mutex_);
    waiting_ = std::move(jobs);
    ++generation_;
  }
  wake_.notify_all();
}

const PhotoTags* TPhotoTagsReader::Find(const QString& path) const {
  const auto known = known_.constFind(path);
  return known == known_.constEnd() ? nullptr : &known->Tags;
}

bool TPhotoTagsReader::Idle() const {
  const std::lock_guard lock(mutex_);
  return waiting_.empty() && !busy_;
}

PhotoTags TPhotoTagsReader::ReadTags(const QString& path) {
  try {
    TJpegBasicObject record(QStringToPath(path));
    record.ReadTags();
    return {record.IptcFields.Keywords, record.IptcFields.Rating};
  } catch (const std::exception&) {
    return {};
  }
}

void TPhotoTagsReader::Work() {
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stop_ || !waiting_.empty(); });
    if (stop_) return;
    const std::vector<Job> jobs = std::exchange(waiting_, {});
    const unsigned generation = generation_;
    busy_ = true;
    lock.unlock();
    std::vector<std::pair<QString, Known>> batch;
    const auto hand = [&] {
      if (batch.empty()) return;
      QMetaObject::invokeMethod(this, [this, batch = std::move(batch)] { Take(batch); }, Qt::QueuedConnection);
      batch.clear();
    };
    for (const Job& job : jobs) {
      {
        const std::lock_guard check(mutex_);
        if (stop_ || generation_ != generation) break;  // a new look replaces this one
      }
      const std::optional<FileStamp> stamp = StampOf(QStringToPath(job.Path));
      if (!stamp || stamp == job.Stamp) continue;
      batch.emplace_back(job.Path, Known{*stamp, ReadTags(job.Path)});
      if (batch.size() >= kBatch) hand();
    }
    hand();
    lock.lock();
    busy_ = false;
  }
}

void TPhotoTagsReader::Take(const std::vector<std::pair<QString, Known>>& batch) {
  QStringList paths;
  for (const auto& [path, known] : batch) {
    known_.insert(path, known);
    paths << path;
  }
  emit Arrived(paths);
}

}  // namespace pixaldo
