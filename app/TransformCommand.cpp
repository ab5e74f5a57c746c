#include "app/TransformCommand.h"

#include <memory>

#include "app/BatchRun.h"
#include "app/MainForm.h"
#include "app/MainWindowSettings.h"
#include "platform/FileError.h"
#include "platform/gui/UserMessages.h"
#include "transforms/JpegTran.h"

namespace pixaldo {

std::optional<TransformPlan> PlanTransform(TransformKind kind, const fs::path& source,
                                           const MainWindowSettings& settings, const QString& cropGeometry,
                                           bool asShown) {
  if (kind == TransformKind::Crop && cropGeometry.isEmpty()) return std::nullopt;
  TransformPlan plan;
  plan.Request = {kind, asShown, settings.AlwaysTrim, cropGeometry.toStdString()};
  plan.Run = TJpegTran::Plan(plan.Request, ReadFileOrientation(source));
  if (plan.Run.unchanged) return std::nullopt;
  plan.Overwrite = TJpegTran::OverwritesSource(kind, settings.OverwriteCropCheckBox, settings.OverwriteRotaFlip);
  if (!plan.Overwrite) plan.Proposed = TJpegTran::ProposedName(kind, source, settings.CropSuffix.toStdString());
  return plan;
}

EdgeChoice AskAboutEdgesOnce(QWidget* parent, const std::vector<PhotoEdges>& photos, bool offerLeave) {
  const EdgeChoice choice = AskAboutEdges(parent, photos, offerLeave);
  try {
    if (choice.AlwaysTrim) RememberAlwaysTrim();
  } catch (const FileError& error) {
    ShowFileError(parent, error);
  }
  return choice;
}

std::optional<TransformPlan> PlanWithEdges(TransformKind kind, const fs::path& source, MainWindowSettings settings,
                                           const QString& cropGeometry, bool asShown, const AskEdges& ask) {
  std::optional<TransformPlan> plan = PlanTransform(kind, source, settings, cropGeometry, asShown);
  if (!plan) return plan;
  std::vector<UnturnedEdge> edges;
  try {
    edges = UnturnedEdgesOf(source, plan->Run, ReadFileOrientation(source));
  } catch (const FileError&) {
    return plan;  // the run itself reports the file
  }
  if (edges.empty()) return plan;
  switch (ask({{source, std::move(edges)}}, kind == TransformKind::AutoRotate).What) {
    case EdgeChoice::Trim:
      settings.AlwaysTrim = true;
      return PlanTransform(kind, source, settings, cropGeometry, asShown);
    case EdgeChoice::Leave: return plan;
    case EdgeChoice::Cancel: break;
  }
  return std::nullopt;
}

TTransformCommand::~TTransformCommand() { Wait(); }

void TTransformCommand::Wait() {
  if (worker_) worker_->wait();
}

void TTransformCommand::Start(const TJpegTran& runner, const fs::path& source, const fs::path& target,
                              const TransformPlan& plan, bool keepDate, bool refreshThumbnail, UndoStore* undo) {
  if (worker_) return;
  Turn_.reset();
  Note_.clear();
  // The worker has its own copies of everything it uses; only the outcome
  // comes back, on the window's thread, when it has ended.
  struct Outcome {
    fs::path result;
    std::optional<fs::path> failed;
    std::string reason;
    std::string note;
    std::optional<Orientation> turn;
  };
  auto outcome = std::make_shared<Outcome>();
  worker_.reset(
      QThread::create([runner, source, target, request = plan.Request, keepDate, refreshThumbnail, outcome, undo] {
    try {
      WithUndo(undo, target, [&] {
        outcome->result = runner.Transform(source, target, keepDate, refreshThumbnail, request);
        return true;
      });
      outcome->note = runner.LastNote();
      outcome->turn = runner.LastPlan().shownTurn;
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
      Turn_ = outcome->turn;
      emit Finished(PathToQString(outcome->result));
    }
  });
  worker_->start();
}

}  // namespace pixaldo
