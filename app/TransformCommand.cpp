#include "app/TransformCommand.h"

#include <memory>

#include "app/BatchRun.h"
#include "app/MainForm.h"
#include "platform/FileError.h"
#include "platform/gui/UserMessages.h"
#include "transforms/JpegTran.h"

namespace pixaldo {

std::optional<TransformPlan> PlanTransform(TransformKind kind, const fs::path& source,
                                           const MainWindowSettings& settings, const QString& cropGeometry,
                                           bool asShown) {
  if (kind == TransformKind::Crop && cropGeometry.isEmpty()) return std::nullopt;
  TransformPlan plan;
  plan.Run = TJpegTran::Plan(kind, ReadFileOrientation(source), asShown, settings.TrimCheckBox,
                             cropGeometry.toStdString());
  if (plan.Run.unchanged) return std::nullopt;
  plan.Overwrite = TJpegTran::OverwritesSource(kind, settings.OverwriteCropCheckBox, settings.OverwriteRotaFlip);
  if (!plan.Overwrite) plan.Proposed = TJpegTran::ProposedName(kind, source, settings.CropSuffix.toStdString());
  return plan;
}

TTransformCommand::~TTransformCommand() { Wait(); }

void TTransformCommand::Wait() {
  if (worker_) worker_->wait();
}

void TTransformCommand::Start(const TJpegTran& runner, const fs::path& source, const fs::path& target,
                              const TransformPlan& plan, bool keepDate, bool refreshThumbnail, UndoStore* undo) {
  if (worker_) return;
  Turn_ = plan.Run.shownTurn;
  Note_.clear();
  // The worker has its own copies of everything it uses; only the outcome
  // comes back, on the window's thread, when it has ended.
  struct Outcome {
    fs::path result;
    std::optional<fs::path> failed;
    std::string reason;
    std::string note;
  };
  auto outcome = std::make_shared<Outcome>();
  worker_.reset(QThread::create([runner, source, target, run = plan.Run, keepDate, refreshThumbnail, outcome, undo] {
    try {
      WithUndo(undo, target, [&] {
        outcome->result = runner.Transform(source, target, keepDate, refreshThumbnail, run);
        return true;
      });
      outcome->note = runner.LastNote();
    } catch (const FileError& error) {
      outcome->failed = error.path();
      outcome->reason = error.reason();
    } catch (const std::exception& error) {
      outcome->failed = source;
      outcome->reason = error.what();
    }
  }));
  connect(worker_.get(), &QThread::finished, this, [this, outcome] {
    worker_.release()->deleteLater();
    if (outcome->failed) {
      emit Failed(*outcome->failed, QString::fromStdString(outcome->reason));
    } else {
      Note_ = std::move(outcome->note);
      emit Finished(PathToQString(outcome->result));
    }
  });
  worker_->start();
}

}  // namespace pixaldo
