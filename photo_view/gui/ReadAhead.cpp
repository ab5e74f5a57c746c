#include "photo_view/gui/ReadAhead.h"

#include <algorithm>

#include "platform/gui/UserMessages.h"

namespace pixaldo {

TReadAhead::TReadAhead(size_t budgetBytes, QObject* parent)
    : QObject(parent), cache_(budgetBytes), worker_([this] { Work(); }) {
  // Any change of a file read ahead drops its picture, whatever its stamp.
  connect(&watcher_, &QFileSystemWatcher::fileChanged, this, [this](const QString& file) { Drop(file); });
}

TReadAhead::~TReadAhead() {
  {
    const std::lock_guard lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  worker_.join();
}

std::optional<PreparedPicture> TReadAhead::Take(const QString& file, const PanelLayout& layout) {
  const std::filesystem::path path = QStringToPath(file);
  std::unique_lock lock(mutex_);
  if (!(layout == layout_)) return std::nullopt;
  changed_.wait(lock, [&] { return path.empty() || busy_ != path; });
  return layout == layout_ ? cache_.Take(path) : std::nullopt;
}

void TReadAhead::Ahead(const QStringList& files, const PanelLayout& layout) {
  std::vector<std::filesystem::path> paths;
  for (const QString& file : files) paths.push_back(QStringToPath(file));
  {
    const std::lock_guard lock(mutex_);
    if (!(layout == layout_)) cache_.Clear();
    layout_ = layout;
    cache_.Want(std::move(paths));
    tried_.clear();
  }
  changed_.notify_all();
  WatchOnly(files);
}

void TReadAhead::WatchOnly(const QStringList& files) {
  const QStringList watched = watcher_.files();
  if (!watched.isEmpty()) watcher_.removePaths(watched);
  if (!files.isEmpty()) watcher_.addPaths(files);
}

void TReadAhead::Drop(const QString& file) {
  const std::lock_guard lock(mutex_);
  cache_.Drop(QStringToPath(file));
}

void TReadAhead::Clear() {
  const std::lock_guard lock(mutex_);
  cache_.Clear();
}

bool TReadAhead::Holds(const QString& file) {
  const std::lock_guard lock(mutex_);
  return cache_.Holds(QStringToPath(file));
}

void TReadAhead::WaitIdle() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return busy_.empty() && !NextJob(); });
}

// The most wanted file neither held nor tried since the last Ahead.
std::optional<std::filesystem::path> TReadAhead::NextJob() const {
  for (const std::filesystem::path& file : cache_.Wanted())
    if (!cache_.Holds(file) && std::find(tried_.begin(), tried_.end(), file) == tried_.end()) return file;
  return std::nullopt;
}

void TReadAhead::Work() {
  JpegDecoder decoder;
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [&] { return stop_ || NextJob(); });
    if (stop_) return;
    const std::filesystem::path file = *NextJob();
    const PanelLayout layout = layout_;
    decoder.SetColour(layout.colour);
    busy_ = file;
    tried_.push_back(file);
    lock.unlock();
    // The stamp is taken before and after the read: a file changing while
    // it is read gives no picture.
    const std::optional<FileStamp> before = StampOf(file);
    std::optional<PreparedPicture> picture;
    try {
      const double ratio = layout.devicePixelRatio;
      picture = PreparePicture(file, DevicePixels(layout.width, ratio), DevicePixels(layout.height, ratio), decoder,
                               layout.autoOrient);
      PrepareDisplay(*picture, layout.width, layout.height, layout.fit, layout.filterIndex, ratio);
    } catch (const std::exception&) {
      picture.reset();  // the view reports the error when the file is shown
    }
    const bool unchanged = before && StampOf(file) == before;
    lock.lock();
    busy_.clear();
    const bool kept = picture && unchanged && layout == layout_;
    if (kept) cache_.Put(*before, std::move(*picture));
    changed_.notify_all();
    if (kept) QMetaObject::invokeMethod(this, [this, file] { emit Ready(PathToQString(file)); }, Qt::QueuedConnection);
  }
}

}  // namespace pixaldo
