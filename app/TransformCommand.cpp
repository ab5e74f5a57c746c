#include "app/TransformCommand.h"

#include "app/MainForm.h"
#include "platform/FileError.h"
#include "platform/gui/UserMessages.h"
#include "transforms/JpegTran.h"

namespace pixaldo {
namespace {

std::optional<PictureTurn> TurnOf(TransformKind kind) {
  switch (kind) {
    case TransformKind::RotateRight:
      return PictureTurn::RotateRight;
    case TransformKind::RotateLeft:
      return PictureTurn::RotateLeft;
    case TransformKind::FlipHorizontal:
      return PictureTurn::FlipHorizontal;
    case TransformKind::FlipVertical:
      return PictureTurn::FlipVertical;
    default:
      return std::nullopt;
  }
}

}  // namespace

std::optional<TransformPlan> PlanTransform(TransformKind kind, const fs::path& source,
                                           const MainWindowSettings& settings, const QString& cropGeometry) {
  TransformPlan plan;
  if (kind == TransformKind::Crop) {
    if (cropGeometry.isEmpty()) return std::nullopt;
    plan.Arguments = TJpegTran::CropArguments(cropGeometry.toStdString());
  } else {
    plan.Arguments = TJpegTran::TransformArguments(kind, settings.TrimCheckBox);
  }
  plan.Overwrite = TJpegTran::OverwritesSource(kind, settings.OverwriteCropCheckBox, settings.OverwriteRotaFlip);
  plan.Turn = TurnOf(kind);
  if (!plan.Overwrite) plan.Proposed = TJpegTran::ProposedName(kind, source, settings.CropSuffix.toStdString());
  return plan;
}

void TTransformCommand::Start(const TJpegTran& runner, const fs::path& source, const fs::path& target,
                              const TransformPlan& plan, bool keepDate, bool refreshThumbnail) {
  Turn_ = plan.Turn;
  try {
    const fs::path result = runner.Transform(source, target, keepDate, refreshThumbnail, plan.Arguments);
    emit Finished(PathToQString(result));
  } catch (const FileError& error) {
    emit Failed(error.path(), QString::fromUtf8(error.reason()));
  } catch (const std::exception& error) {
    emit Failed(source, QString::fromUtf8(error.what()));
  }
}

}  // namespace pixaldo
