#include "app/BatchRun.h"

#include <QCoreApplication>
#include <optional>

#include "platform/FileError.h"
#include "platform/FileLock.h"
#include "platform/OrderedWork.h"
#include "platform/gui/UserMessages.h"
#include "undo/UndoStore.h"

namespace pixaldo {

void WithUndo(UndoStore* undo, const fs::path& target, const std::function<bool()>& write) {
  if (!undo) {
    write();
    return;
  }
  const PhotoLock lock(target);  // the original kept is the one the write reads
  const size_t entry = undo->Keep(target);
  bool changed = false;
  try {
    changed = write();
  } catch (...) {
    undo->Unchanged(entry);
    throw;
  }
  if (changed)
    undo->Changed(entry);
  else
    undo->Unchanged(entry);
}

TBatchRun::TBatchRun(UndoStore* undo, QObject* parent) : QObject(parent), undo_(undo) {}

TBatchRun::~TBatchRun() {
  waiting_.clear();
  cancel_ = true;
  if (worker_) worker_->wait();
}

void TBatchRun::Start(BatchCommand command) {
  waiting_.push_back(std::move(command));
  if (!worker_) StartNext();
}

void TBatchRun::Cancel() {
  cancel_ = true;
  waiting_.clear();
}

void TBatchRun::Wait() {
  // The window's events go on meanwhile: the progress, and the end that
  // starts the next command.
  while (worker_ || !waiting_.empty()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    if (worker_) worker_->wait(20);
  }
}

void TBatchRun::StartNext() {
  if (waiting_.empty()) return;
  auto command = std::make_shared<BatchCommand>(std::move(waiting_.front()));
  waiting_.pop_front();
  cancel_ = false;
  failures_.clear();
  lastName_ = command->Name;
  UndoStore* undo = nullptr;
  if (undo_ && undo_->Usable()) {
    if (command->KeepUndo) {
      undo_->Begin(command->Name.toStdString());
      undo = undo_;
    } else {
      undo_->ForgetAll();
    }
  }
  const int total = int(command->Files.size());
  emit Started(command->Name, total);
  const unsigned workers = Workers ? Workers : WorkerCountFor(command->Files.size());
  worker_.reset(QThread::create([this, command, undo, total, workers] {
    struct Done {
      fs::path file;
      std::optional<BatchFailure> failure;
      bool skipped = false;
    };
    int done = 0;
    RunOrdered<Done>(
        command->Files.size(), workers, 2 * workers,
        [&](size_t index, unsigned) {
          Done result{command->Files[index]};
          if (cancel_) {
            result.skipped = true;
            return result;
          }
          try {
            command->Step(result.file, undo);
          } catch (const FileError& error) {
            result.failure = BatchFailure{error.path(), QString::fromStdString(error.reason())};
          } catch (const std::exception& error) {
            result.failure = BatchFailure{result.file, QString::fromStdString(error.what())};
          }
          return result;
        },
        [&](Done& result) {
          if (result.skipped) return;
          if (result.failure) failures_.push_back(*result.failure);
          const QString file = PathToQString(result.file);
          QMetaObject::invokeMethod(this, [this, file, count = ++done, total] {
            emit FileDone(file);
            emit Progress(count, total);
          }, Qt::QueuedConnection);
        });
  }));
  connect(worker_.get(), &QThread::finished, this, &TBatchRun::Ended, Qt::QueuedConnection);
  worker_->start();
}

void TBatchRun::Ended() {
  if (!worker_) return;
  worker_->wait();
  worker_.reset();
  const bool cancelled = cancel_;
  emit Finished(cancelled);
  StartNext();
}

}  // namespace pixaldo
