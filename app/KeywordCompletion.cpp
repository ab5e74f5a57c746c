#include "app/KeywordCompletion.h"

#include <algorithm>

#include "file_list/gui/JpegList.h"
#include "photo_record/FolderKeywords.h"
#include "photo_record/Keywords.h"
#include "platform/FileSystem.h"

namespace pixaldo {

TKeywordCompletion::TKeywordCompletion(QLineEdit* field, QObject* parent)
    : QCompleter(parent), field_(field), model_(new QStringListModel(this)) {
  setModel(model_);
  setCaseSensitivity(Qt::CaseInsensitive);
  setModelSorting(QCompleter::CaseInsensitivelySortedModel);
  setCompletionMode(QCompleter::PopupCompletion);
  field_->setCompleter(this);
}

TKeywordCompletion::~TKeywordCompletion() {
  for (Worker& worker : workers_) *worker.stop = true;
  for (Worker& worker : workers_) worker.thread->wait();
}

bool TKeywordCompletion::Gathering() const {
  return std::any_of(workers_.begin(), workers_.end(), [](const Worker& worker) { return !*worker.stop; });
}

void TKeywordCompletion::Follow(const TJpegList& list) {
  if (list.Directory() == directory_) return;
  directory_ = list.Directory();
  model_->setStringList({});
  for (Worker& worker : workers_) *worker.stop = true;
  std::vector<std::filesystem::path> photos;
  const JpegListing listing = list.Listing();
  for (const std::string& name : listing.Names()) photos.push_back(listing.FullPath(name));
  auto stop = std::make_shared<std::atomic<bool>>(false);
  const QString directory = directory_;
  QThread* thread = QThread::create([this, photos = std::move(photos), stop, directory] {
    std::vector<std::string> keywords = KeywordsOfPhotos(photos, *stop);
    if (*stop) return;
    QMetaObject::invokeMethod(
        this, [this, directory, keywords = std::move(keywords)] { Gathered(directory, keywords); }, Qt::QueuedConnection);
  });
  workers_.push_back({std::unique_ptr<QThread>(thread), stop});
  connect(thread, &QThread::finished, this, [this, thread] {
    workers_.remove_if([thread](const Worker& worker) { return worker.thread.get() == thread; });
  }, Qt::QueuedConnection);
  thread->start(QThread::LowPriority);
}

void TKeywordCompletion::Gathered(const QString& directory, const std::vector<std::string>& keywords) {
  if (directory == directory_) Learn(keywords);
}

void TKeywordCompletion::Learn(const std::vector<std::string>& keywords) {
  QStringList known = model_->stringList();
  bool added = false;
  for (const std::string& keyword : keywords) {
    const QString text = QString::fromStdString(keyword);
    if (known.contains(text)) continue;
    known << text;
    added = true;
  }
  if (!added) return;
  std::sort(known.begin(), known.end(), [](const QString& a, const QString& b) {
    return QString::compare(a, b, Qt::CaseInsensitive) < 0;
  });
  model_->setStringList(known);
}

QStringList TKeywordCompletion::splitPath(const QString& path) const {
  return {path.mid(path.lastIndexOf(QLatin1Char(',')) + 1).trimmed()};
}

QString TKeywordCompletion::pathFromIndex(const QModelIndex& index) const {
  const QString text = field_->text();
  const int comma = text.lastIndexOf(QLatin1Char(','));
  const QString before = comma < 0 ? QString() : text.left(comma + 1) + QLatin1Char(' ');
  // A keyword with a comma goes in quoted, as the field shows it.
  return before + QString::fromStdString(TKeywords::Joined({QCompleter::pathFromIndex(index).toStdString()}));
}

}  // namespace pixaldo
