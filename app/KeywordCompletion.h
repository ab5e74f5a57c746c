#pragma once
// Completion in the keywords field: the keyword being typed (the text after
// the last comma) is completed from the keywords of the folder's photos.
// Those are gathered on a thread of their own when a folder is first shown,
// so a folder of thousands of photos keeps the window live; keywords the
// window shows or writes are added as they come.
#include <QCompleter>
#include <QLineEdit>
#include <QStringList>
#include <QStringListModel>
#include <QThread>
#include <atomic>
#include <list>
#include <memory>
#include <string>
#include <vector>

namespace pixaldo {

class TJpegList;

class TKeywordCompletion : public QCompleter {
  Q_OBJECT

 public:
  TKeywordCompletion(QLineEdit* field, QObject* parent);
  // Stops the gathering and waits for the photo in hand.
  ~TKeywordCompletion() override;

  // Gathers the keywords of the list's folder unless it is the folder
  // gathered last.
  void Follow(const TJpegList& list);
  // Adds keywords to those offered.
  void Learn(const std::vector<std::string>& keywords);
  QStringList Keywords() const { return model_->stringList(); }
  bool Gathering() const;

  // The keyword being typed; the field's text with the chosen keyword in its place.
  QStringList splitPath(const QString& path) const override;
  QString pathFromIndex(const QModelIndex& index) const override;

 private:
  void Gathered(const QString& directory, const std::vector<std::string>& keywords);

  QLineEdit* field_;
  QStringListModel* model_;
  QString directory_;
  struct Worker {
    std::unique_ptr<QThread> thread;
    std::shared_ptr<std::atomic<bool>> stop;
  };
  std::list<Worker> workers_;  // the one for the folder shown last, and those stopping
};

}  // namespace pixaldo
