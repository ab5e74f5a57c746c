#include "app/PhotoTransforms.h"

#include <QApplication>
#include <optional>

#include "app/InfoPane.h"
#include "app/MainForm.h"
#include "app/PicturePane.h"
#include "app/SelectionCommands.h"
#include "app/TransformCommand.h"
#include "file_list/gui/JpegList.h"
#include "photo_view/gui/PhotoImage.h"
#include "platform/gui/UserMessages.h"
#include "transforms/gui/SaveAsDialog.h"

namespace pixaldo {

TPhotoTransforms::TPhotoTransforms(TFormMain& form) : Form(form), Command(new TTransformCommand(&form)) {
  QObject::connect(Command, &TTransformCommand::Finished, &Form, [this](const QString& result) {
    Done();
    ShowResult(result);
  });
  QObject::connect(Command, &TTransformCommand::Failed, &Form, [this](const fs::path& file, const QString& reason) {
    Done();
    ShowFileError(&Form, file, reason);
  });
}

bool TPhotoTransforms::Running() const { return Command->Busy(); }

void TPhotoTransforms::Wait() { Command->Wait(); }

QString TPhotoTransforms::AskTarget(const QString& proposed) {
  if (!SaveAsDialog) SaveAsDialog = new TSaveAsDialog(&Form);
  SaveAsDialog->Colour = Form.PhotoView->Colour;
  return SaveAsDialog->Ask(proposed);
}

void TPhotoTransforms::Run(TransformKind kind) {
  const QString& current = Form.CurrentFile;
  if (current.isEmpty() || Command->Busy()) return;
  // What was typed for this file goes into it (and into a copy) first.
  if (!Form.Info->FlushIptcEdits()) return;
  const MainWindowSettings settings = Form.ReadSettings();
  const fs::path source = QStringToPath(current);
  TPhotoImage& view = *Form.PhotoView;
  const QString frame = view.CropState().Crop().Empty() ? QString() : view.CropGeometry();
  const std::optional<TransformPlan> plan =
      PlanWithEdges(kind, source, settings, frame, view.AutoOrient(), Form.AskAboutUnturnedEdges);
  if (!plan) return;
  const QString target = plan->Overwrite ? current : Form.AskTransformTarget(PathToQString(plan->Proposed));
  const std::optional<UndoStore*> undo =
      target.isEmpty() ? std::nullopt : Form.Selection->UndoFor(kind, QStringToPath(target));
  if (!undo) return;
  Command->Start(*Form.Transformer, source, QStringToPath(target), *plan, settings.OriginalFileDate,
                 settings.ThumbAuto, *undo);
  // The picture shown turns beside jpegtran, ready when the file is.
  if (plan->Overwrite && plan->Run.shownTurn) view.TurnAhead(*plan->Run.shownTurn);
  // The window stays live, busy, and takes no other file command until done.
  QApplication::setOverrideCursor(Qt::BusyCursor);
  Form.UpdateCommandStates();
}

void TPhotoTransforms::Done() {
  QApplication::restoreOverrideCursor();
  Form.UpdateCommandStates();
}

void TPhotoTransforms::ShowResult(const QString& result) {
  if (!Command->Note().empty()) ShowFileError(&Form, QStringToPath(result), QString::fromStdString(Command->Note()));
  TJpegList& list = *Form.FileList;
  list.AutoRefresh = true;
  std::error_code error;
  if (std::filesystem::equivalent(QStringToPath(result), QStringToPath(Form.CurrentFile), error)) {
    list.RememberCurrentFile();
    // Rewritten in place: a rotation or flip turns the picture shown, which
    // is what decoding the new file would give; anything else loads it again.
    const std::optional<Orientation> turn = Command->Turn();
    TInfoPane& info = *Form.Info;
    if (turn && Form.PhotoView->TurnPicture(*turn, Form.Picture->Choice(), Form.CropAllowed(), info.LblZoom,
                                            info.LblDimension)) {
      Form.Attempt(Form.CurrentFile, [this] { Form.RefreshFileInfo(); });
      Form.UpdateCommandStates();
      Form.ReadAround();  // the turned picture in full, when it was shown stretched
    } else {
      Form.ShowPhoto(result);
    }
    return;
  }
  // A new file: the list takes it in (without waiting for the folder watch)
  // and selects it by its bare name, which shows it.
  QCoreApplication::processEvents();
  list.DirectoryChanged();
  list.SelectByName(result);
}

}  // namespace pixaldo
