#pragma once
// The runner of commands on many photos. Each command is a step to take on
// each of its files, in list order, off the window's thread (a worker a
// core, the files handed back in order), each file through the same core
// calls a single edit makes, under the photo's lock. Commands run one after
// another: one on files a running command holds waits for it. Cancel stops
// after the files in hand: those done stay done, the rest are not touched.
// Failures are collected with their reasons for one message at the end.
//
// Every command begins an entry of the undo store; each step records there
// what it changes (WithUndo), so that the command can be undone as a whole.
#include <QObject>
#include <QString>
#include <QThread>
#include <atomic>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace pixaldo {

namespace fs = std::filesystem;
class UndoStore;

struct BatchFailure {
  fs::path File;
  QString Reason;
};

// One file's work. `undo` is where the changes are recorded (null: the
// command keeps no undo). Throws FileError naming the file and the reason.
using BatchStep = std::function<void(const fs::path& file, UndoStore* undo)>;

struct BatchCommand {
  QString Name;
  std::vector<fs::path> Files;  // in list order
  BatchStep Step;
  bool KeepUndo = true;
};

// Writes `target` (rewritten, or made where there was none) through `write`,
// under the photo's lock, its original kept in `undo` first. `write` tells
// whether it changed anything.
void WithUndo(UndoStore* undo, const fs::path& target, const std::function<bool()>& write);

class TBatchRun : public QObject {
  Q_OBJECT

 public:
  explicit TBatchRun(UndoStore* undo, QObject* parent = nullptr);
  // Cancels what runs and waits for the file in hand.
  ~TBatchRun() override;

  // Runs the command now, or once the commands before it have ended.
  void Start(BatchCommand command);
  bool Busy() const { return worker_ != nullptr; }
  // The command running stops after the files in hand; those waiting go.
  void Cancel();
  // Blocks until every command has ended (the window closing, tests).
  void Wait();
  // How many files at once; by default one a core.
  unsigned Workers = 0;

  // What the last command that ended left undone.
  const std::vector<BatchFailure>& Failures() const { return failures_; }
  const QString& LastName() const { return lastName_; }

 signals:
  void Started(const QString& name, int total);
  void Progress(int done, int total);
  // A file was done; the window shows it again when it is the current one.
  void FileDone(const QString& file);
  void Finished(bool cancelled);

 private:
  void StartNext();
  void Ended();

  UndoStore* undo_;
  std::deque<BatchCommand> waiting_;
  std::unique_ptr<QThread> worker_;
  std::atomic<bool> cancel_{false};
  std::vector<BatchFailure> failures_;
  QString lastName_;
};

}  // namespace pixaldo
