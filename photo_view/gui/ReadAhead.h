#pragma once
// TReadAhead: prepares the photos next to the current one on a worker thread
// (file read, decoded for the picture panel, display bitmap made), so that
// moving to one of them shows it without waiting. The pictures live in a
// PictureCache within a memory budget and are handed out only while their
// files are as they were read; a file that changes on disk is dropped at
// once.
#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QStringList>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "photo_view/PictureCache.h"

namespace pixaldo {

class TReadAhead : public QObject {
  Q_OBJECT

 public:
  static constexpr size_t kDefaultBudget = size_t(256) << 20;

  explicit TReadAhead(size_t budgetBytes = kDefaultBudget, QObject* parent = nullptr);
  ~TReadAhead() override;

  // The picture of `file` when it was prepared for `layout` and the file is
  // unchanged since; waits when the worker is preparing exactly this file.
  std::optional<PreparedPicture> Take(const QString& file, const PanelLayout& layout);
  // Prepares these files for the layout, the most wanted first, and drops
  // every other picture. A new layout drops all pictures made for the old.
  void Ahead(const QStringList& files, const PanelLayout& layout);
  void Drop(const QString& file);
  void Clear();
  // Whether the store holds a picture of the file (tests, benchmarks).
  bool Holds(const QString& file);
  // Waits until the worker has nothing left to do (tests, benchmarks).
  void WaitIdle();

 signals:
  // A picture of the file is ready to be taken.
  void Ready(const QString& file);

 private:
  void Work();
  std::optional<std::filesystem::path> NextJob() const;
  void WatchOnly(const QStringList& files);

  std::mutex mutex_;
  std::condition_variable changed_;
  PictureCache cache_;
  PanelLayout layout_;
  std::vector<std::filesystem::path> tried_;  // since the last Ahead
  std::filesystem::path busy_;
  bool stop_ = false;
  QFileSystemWatcher watcher_;
  std::thread worker_;  // last: starts once everything above exists
};

}  // namespace pixaldo
