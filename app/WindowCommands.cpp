#include "app/WindowCommands.h"

#include <QFileInfo>
#include <QWindow>
#include <functional>

#include "app/BusyCursor.h"
#include "app/InfoPane.h"
#include "app/MainForm.h"
#include "app/MainWindowSettings.h"
#include "app/PicturePane.h"
#include "app/SelectionCommands.h"
#include "batch_export/JpegBatch.h"
#include "dialogs/DlgAbout.h"
#include "dialogs/DlgMetaData.h"
#include "file_list/JpegListing.h"
#include "file_list/gui/JpegList.h"
#include "photo_view/gui/PhotoImage.h"
#include "platform/gui/UserMessages.h"
#include "settings/gui/DlgOptions.h"

namespace pixaldo {

void TWindowCommands::SetDialogs(TFormOptions* options, TFormMetaData* metaData, TFormAbout* about) {
  FormOptions = options;
  FormMetaData = metaData;
  FormAbout = about;
  // The settings window changes the window colour while the user picks one.
  QObject::connect(FormOptions, &TFormOptions::FormColorChanged, &Form, [this](const QColor& color) {
    QPalette palette = Form.palette();
    palette.setColor(QPalette::Window, color);
    Form.setPalette(palette);
  });
  FormMetaData->OriginalFileDate = [this] { return Form.ReadSettings().OriginalFileDate; };
  FormMetaData->Colour = [this] { return Form.PhotoView->Colour; };
  FormMetaData->KeepUndo = std::bind_front(&TSelectionCommands::RecordEdit, Form.Selection);  // undoable writes
  FormAbout->SetLanguageSource([] { return ViewerOptions().Integer("Language"); });
}

void TWindowCommands::AppOptionsExecute() {
  if (!FormOptions || ExecDialog(*FormOptions) != QDialog::Accepted) return;
  const bool autoOrient = Form.PhotoView->AutoOrient();
  Form.ApplySettings(Form.PhotoView->CropStyle());
  // The photo is shown again when it is to be turned another way.
  if (Form.PhotoView->AutoOrient() != autoOrient && !Form.CurrentFile.isEmpty())
    Form.ShowPhoto(Form.CurrentFile);
  else
    Form.Picture->Fit();
}

void TWindowCommands::FileMetadataShowExecute() {
  if (!FormMetaData || Form.CurrentFile.isEmpty() || !Form.Info->FlushIptcEdits()) return;
  FormMetaData->SetFileName(Form.CurrentFile);
  ExecDialog(*FormMetaData);
  // The window may have changed the file's metadata; the picture stays.
  Form.FileList->RememberCurrentFile();
  Form.RefreshFileInfo();
}

void TWindowCommands::AppAboutExecute() {
  if (FormAbout) ExecDialog(*FormAbout);
}

int TWindowCommands::ExecDialog(QDialog& dialog) {
  // Made without a parent, the window would be transient for the toolkit's
  // hidden leader window only: minimising it would leave the main window
  // shown but blocked. Transient for that one, the window manager keeps it
  // above the main window and minimises the two together.
  dialog.winId();
  if (QWindow* own = Form.window()->windowHandle()) dialog.windowHandle()->setTransientParent(own);
  return dialog.exec();
}

void TWindowCommands::AppDirDatabaseExecute() {
  const QString name = Form.AskDatabaseName(Form.FileList->Directory());
  if (name.isEmpty()) return;
  const QString fileName = QFileInfo(name).fileName();
  const int dot = fileName.lastIndexOf(QLatin1Char('.'));
  const QString extension = dot < 0 ? QString() : fileName.mid(dot);
  // Exactly these two extensions, in this letter case, choose a database.
  const bool xml = extension == QLatin1String(".xml");
  if (!xml && extension != QLatin1String(".txt")) return;
  const JpegListing listing = Form.FileList->Listing();
  const bool written = [&] {
    const BusyCursor busy;
    return Form.Attempt(name, [&] {
      TJpegBatch batch(listing);
      if (xml)
        batch.SaveXml(QStringToPath(name));
      else
        batch.SaveCsv(QStringToPath(name));
    });
  }();
  if (written) Form.OpenDocument(name);
}

}  // namespace pixaldo
