#pragma once
// TPhotoTagsReader: the keywords and star rating of the folder's photos,
// read on a thread of its own so that a folder of thousands never holds up
// the window. What was read is kept with the file's stamp (identity, size
// and times); a look at a list of files reads again only those whose file
// is new or changed since (rewritten by Pixaldo or by another program).
// The results come back in batches, in the order asked for.
#include <QHash>
#include <QObject>
#include <QStringList>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "file_list/PhotoFilter.h"
#include "photo_view/PictureCache.h"  // FileStamp

namespace pixaldo {

class TPhotoTagsReader : public QObject {
  Q_OBJECT

 public:
  explicit TPhotoTagsReader(QObject* parent = nullptr);
  ~TPhotoTagsReader() override;

  // Looks at these files in this order, in place of whatever waited.
  void Look(const QStringList& paths);
  // The photo's tags as last read; null while they are not known yet.
  const PhotoTags* Find(const QString& path) const;
  // Whether nothing waits and nothing is in hand.
  bool Idle() const;

  // Reads one photo's tags (a damaged or unreadable photo has none).
  static PhotoTags ReadTags(const QString& path);

 signals:
  // Tags of these files have arrived (or changed).
  void Arrived(const QStringList& paths);

 private:
  struct Known {
    FileStamp Stamp;
    PhotoTags Tags;
  };
  struct Job {
    QString Path;
    std::optional<FileStamp> Stamp;  // as known when asked
  };
  void Work();
  void Take(const std::vector<std::pair<QString, Known>>& batch);

  QHash<QString, Known> known_;  // the window's thread only
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::vector<Job> waiting_;
  unsigned generation_ = 0;
  bool busy_ = false;
  bool stop_ = false;
  std::thread thread_;
};

}  // namespace pixaldo
