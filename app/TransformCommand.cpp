#include "app/TransformCommand.h"

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

void TTransformCommand::Start(const TJpegTran& runner, const fs::path& source, const fs::path& target,
                              const TransformPlan& plan, bool keepDate, bool refreshThumbnail) {
  Turn_ = plan.Run.shownTurn;
  try {
    const fs::path result = runner.Transform(source, target, keepDate, refreshThumbnail, plan.Run);
    emit Finished(PathToQString(result));
  } catch (const FileError& error) {
    emit Failed(error.path(), QString::fromUtf8(error.reason()));
  } catch (const std::exception& error) {
    emit Failed(source, QString::fromUtf8(error.what()));
  }
}

}  // namespace pixaldo
