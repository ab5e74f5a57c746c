#pragma once
// TThumbnailSource: the thumbnails of the grid's cells, in the order the
// grid asks for: what is visible first, then what is near. One worker
// thread takes them from the desktop's cache; those missing there are made
// by a pool of workers (one a core, at a lower priority than the window's
// thread). Each new wish drops what is
// still waiting from the previous one, so scrolling away cancels the work
// no longer needed. The decoded cells are kept within a memory budget, the
// least recently shown going first.
#include <QHash>
#include <QImage>
#include <QObject>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <list>
#include <memory>

#include "thumbnails/ThumbnailNames.h"

namespace pixaldo {

struct ThumbnailResult;

class TThumbnailSource : public QObject {
  Q_OBJECT

 public:
  enum class State { Waiting, Ready, Failed };

  TThumbnailSource(ThumbnailSize size, QObject* parent = nullptr);
  ~TThumbnailSource() override;

  ThumbnailSize Size() const { return size_; }
  // The cell's picture when it is ready (and still of the file as it is on
  // disk); the state says whether it is still to come or cannot be made.
  State Find(const QString& path, QImage* image);
  // The paths wanted now, most urgent first. Those not ready nor being made
  // are queued in that order; whatever else waited is dropped.
  void Want(const QStringList& paths);
  // Drops what is held of the file (it changed on disk).
  void Forget(const QString& path);
  // The file was rewritten: what is held of it is made again, before what
  // else waits. Every source is told of the photos this program writes.
  void Rewritten(const QString& path);
  // Bytes of decoded cells kept; the least recently shown go beyond it.
  void SetBudget(std::int64_t bytes);
  std::int64_t HeldBytes() const { return heldBytes_; }
  // Whether the workers have nothing waiting and nothing in hand.
  bool Idle() const;

 signals:
  // A cell's thumbnail (or its failure) has arrived.
  void Ready(const QString& path);

 private:
  struct Entry {
    QString path;
    QImage image;  // null: failed
    std::int64_t size = -1;
    std::int64_t mtime = 0;
  };
  struct Pool;
  void Read(Pool& pool);
  void Make(Pool& pool);
  void Deliver(const QString& path, const ThumbnailResult& result, std::int64_t size, std::int64_t mtime);
  void Arrived(const QString& path, const QImage& image, bool failed, std::int64_t size, std::int64_t mtime);
  void Trim();
  void MakeFirst(const QString& path);

  ThumbnailSize size_;
  std::int64_t budget_ = 96ll << 20;
  std::int64_t heldBytes_ = 0;
  std::list<Entry> recent_;  // most recently shown first
  QHash<QString, std::list<Entry>::iterator> held_;
  std::unique_ptr<Pool> pool_;
};

}  // namespace pixaldo
