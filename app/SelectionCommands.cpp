#include "app/SelectionCommands.h"

#include <QFileInfo>
#include <QLocale>
#include <QTimer>
#include <QVBoxLayout>
#include <optional>

#include "app/BatchProgress.h"
#include "app/BatchRun.h"
#include "app/InfoPane.h"
#include "app/MainForm.h"
#include "app/SelectionFields.h"
#include "app/TransformCommand.h"
#include "dialogs/DlgPressFields.h"
#include "dialogs/PressFieldsPage.h"
#include "file_list/gui/JpegList.h"
#include "jpeg_structure/JpegObject.h"
#include "photo_record/JpegBasicObject.h"
#include "photo_view/gui/PhotoImage.h"
#include "platform/FileLock.h"
#include "platform/FileSystem.h"
#include "platform/Trash.h"
#include "platform/gui/UserMessages.h"
#include "settings/gui/DlgOptions.h"
#include "transforms/JpegTran.h"
#include "undo/UndoStore.h"

namespace pixaldo {
namespace {

struct TransformRow {
  const char* Action;
  TransformKind Kind;
};
const TransformRow kTransforms[] = {
    {"JpgRotateLeft", TransformKind::RotateLeft},         {"JpgRotateRight", TransformKind::RotateRight},
    {"JpgFlipHorizontal", TransformKind::FlipHorizontal}, {"JpgFlipVertical", TransformKind::FlipVertical},
    {"JpgRotateByExif", TransformKind::AutoRotate},       {"JpgMetadataDelete", TransformKind::MetadataDelete},
};

// The metadata window's edits, offered for a selection in the list's menu.
struct EditRow {
  int Text;  // the language entry of the caption
  const char* Caption;
  bool (*Edit)(const fs::path& file, bool keepDate);  // whether the file changed
};
const EditRow kEdits[] = {
    {232, "Delete EXIF",
     [](const fs::path& file, bool keepDate) { return TJpegObject(file, keepDate).DeleteExif(); }},
    {233, "Delete comment",
     [](const fs::path& file, bool keepDate) { return TJpegObject(file, keepDate).DeleteComment(); }},
    {234, "Delete IPTC",
     [](const fs::path& file, bool keepDate) { return TJpegObject(file, keepDate).DeleteIptc(); }},
    {235, "Restore thumbnail",
     [](const fs::path& file, bool keepDate) { return RestoreThumbnailOfFile(file, keepDate); }},
};

std::vector<fs::path> Paths(const QStringList& files) {
  std::vector<fs::path> paths;
  for (const QString& file : files) paths.push_back(QStringToPath(file));
  return paths;
}

QString Lines(const std::vector<std::pair<fs::path, QString>>& files) {
  QString text;
  for (const auto& [file, reason] : files) text += QLatin1Char('\n') + PathToDisplay(PathToQString(file)) + QStringLiteral(": ") + reason;
  return text;
}

QString DataSize(uint64_t bytes) {
  return QLocale().formattedDataSize(qint64(bytes), 1, QLocale::DataSizeTraditionalFormat);
}

}  // namespace

TSelectionCommands::TSelectionCommands(TFormMain& form, const fs::path& undoRoot)
    : QObject(&form), Store(std::make_unique<UndoStore>(undoRoot.empty() ? UndoStore::DefaultRoot() : undoRoot)),
      Form(form) {
  Run = new TBatchRun(Store.get(), this);
  Progress = new TBatchProgress(*Run, Form.PanelInfo);
  if (auto* layout = qobject_cast<QVBoxLayout*>(Form.PanelInfo->layout())) layout->insertWidget(1, Progress);
  connect(Run, &TBatchRun::FileDone, this, [this](const QString& file) {
    if (file == Form.CurrentFile) ShowCurrentAgain();
  });
  connect(Run, &TBatchRun::Finished, this, &TSelectionCommands::Finished);

  UndoAction = new QAction(&Form);
  UndoAction->setObjectName(QStringLiteral("EditUndo"));
  UndoAction->setShortcut(QKeySequence::Undo);
  UndoAction->setShortcutContext(Qt::WindowShortcut);
  UndoAction->setEnabled(false);
  Form.addAction(UndoAction);
  connect(UndoAction, &QAction::triggered, this, &TSelectionCommands::Undo);
  AskPressFields = [this](const std::vector<PressTexts>& photos) -> std::optional<PressEdits> {
    TPressFieldsDialog dialog(photos, &Form);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.Page()->Edited();
  };
  BuildMenu();
  ApplyTexts();

  // A rename in the list is taken back by renaming back.
  connect(Form.FileList, &TJpegList::FileRenamed, this, [this](const QString& from, const QString& to) {
    if (!Store->Usable() || Run->Busy()) return;
    Store->Begin(Form.Action("FileRename")->text().remove(QLatin1Char('&')).toStdString());
    Store->Renamed(QStringToPath(from), QStringToPath(to));
    AdjustStates();
  });
  // After the list has made its choice current.
  connect(Form.FileList, &TJpegList::SelectedFilesChanged, this,
          [this] { QTimer::singleShot(0, this, &TSelectionCommands::SelectionChanged); });
}

TSelectionCommands::~TSelectionCommands() {
  delete Run;  // the file in hand ends before the undo store goes
  Run = nullptr;
}

QStringList TSelectionCommands::SelectedFiles() const { return Form.FileList->SelectedPaths(); }

bool TSelectionCommands::Take(const char* name) {
  const QString action = QString::fromLatin1(name);
  for (const TransformRow& row : kTransforms) {
    if (action != QLatin1String(row.Action) || !(Several() || Run->Busy())) continue;
    RunTransform(row.Kind, Form.Action(name)->text().remove(QLatin1Char('&')));
    return true;
  }
  if (action == QLatin1String("FileDelete") && Several()) {
    Trash();
    return true;
  }
  return false;
}

std::optional<UndoStore*> TSelectionCommands::UndoFor(TransformKind kind, const fs::path& target) {
  const char* name = "JpgCrop";
  for (const TransformRow& row : kTransforms)
    if (row.Kind == kind) name = row.Action;
  return UndoFor(Form.Action(name)->text().remove(QLatin1Char('&')), target);
}

std::optional<UndoStore*> TSelectionCommands::UndoFor(const QString& name, const fs::path& target) {
  if (!Store->Usable() || Run->Busy()) return nullptr;
  const std::optional<bool> keep = KeepsUndo({target});
  if (!keep) return std::nullopt;
  if (!*keep) {
    Store->ForgetAll();
    AdjustStates();
    return nullptr;
  }
  Store->Begin(QString(name).remove(QLatin1Char('&')).toStdString());
  return Store.get();
}

void TSelectionCommands::AdjustStates() {
  const bool idle = !Run->Busy() && !Form.TransformRunning();
  if (Several() && idle && Form.Transformer->JpegTranAvailable()) Form.Action("JpgRotateByExif")->setEnabled(true);
  UndoAction->setEnabled(idle && Store->CanUndo());
  ShowUndoText();
}

void TSelectionCommands::ShowUndoText() {
  // Names the command it takes back.
  const QString last = QString::fromStdString(Store->LastName());
  UndoAction->setText(Store->CanUndo() ? ProgramText(241, "Undo %1").arg(last) : ProgramText(220, "Undo"));
}

void TSelectionCommands::RunTransform(TransformKind kind, const QString& name) {
  MainWindowSettings settings = Form.ReadSettings();
  const bool asShown = Form.PhotoView->AutoOrient();
  const fs::path program = Form.Transformer->TransformerPath();
  QStringList files = Several() ? SelectedFiles() : QStringList{Form.CurrentFile};
  if (!SettleEdges(kind, asShown, settings, files)) return;
  Start(name, [=](const fs::path& file, UndoStore* undo) {
    const std::optional<TransformPlan> plan = PlanTransform(kind, file, settings, QString(), asShown);
    if (!plan) return;  // upright already
    const fs::path target = plan->Overwrite ? file : plan->Proposed;
    const TJpegTran runner(program);
    WithUndo(undo, target, [&] {
      runner.Transform(file, target, settings.OriginalFileDate, settings.ThumbAuto, plan->Request);
      return true;
    });
  }, files);
}

bool TSelectionCommands::SettleEdges(TransformKind kind, bool asShown, MainWindowSettings& settings,
                                     QStringList& files) const {
  if (settings.AlwaysTrim) return true;
  // The plans as things stand now, only to ask once for the whole run; each
  // photo is planned again under its lock when its turn comes.
  std::vector<JpegTranPlan> plans;
  std::vector<PlannedPhoto> run;
  plans.reserve(size_t(files.size()));
  for (const fs::path& file : Paths(files)) {
    const std::optional<TransformPlan> plan = PlanTransform(kind, file, settings, QString(), asShown);
    if (!plan) continue;
    plans.push_back(plan->Run);
    run.push_back({file, &plans.back(), ReadFileOrientation(file)});
  }
  const std::vector<PhotoEdges> photos = PhotosWithUnturnedEdges(run);
  if (photos.empty()) return true;
  switch (Form.AskAboutUnturnedEdges(photos, kind == TransformKind::AutoRotate).What) {
    case EdgeChoice::Trim: settings.AlwaysTrim = true; return true;
    case EdgeChoice::Leave: return true;  // turned as they are
    case EdgeChoice::Cancel: break;
  }
  return false;
}

void TSelectionCommands::RunEdit(const QString& name, std::function<bool(const fs::path&, bool)> edit) {
  const bool keepDate = Form.ReadSettings().OriginalFileDate;
  Start(name, [=](const fs::path& file, UndoStore* undo) { WithUndo(undo, file, [&] { return edit(file, keepDate); }); },
        SelectedFiles());
}

void TSelectionCommands::Trash() {
  const QStringList files = SelectedFiles();
  if (!AskYesNo(&Form, ProgramText(222, "Move the %1 selected photos to the trash?").arg(files.size()))) return;
  Start(Form.Action("FileDelete")->text().remove(QLatin1Char('&')), [](const fs::path& file, UndoStore* undo) {
    const fs::path moved = MoveToTrash(file);
    if (undo) undo->Trashed(file, moved);
  }, files);
}

void TSelectionCommands::Start(const QString& name, const std::function<void(const fs::path&, UndoStore*)>& step,
                               const QStringList& files) {
  // A single photo's transform keeps its own undo entry until it ends.
  if (files.isEmpty() || Form.TransformRunning()) return;
  // What was typed goes into the photos first.
  if (!Form.Info->IPTCControlsExit()) return;
  BatchCommand command{name, Paths(files), step, true};
  const std::optional<bool> keep = KeepsUndo(command.Files);
  if (!keep) return;
  command.KeepUndo = *keep;
  Run->Start(std::move(command));
  AdjustStates();
}

std::optional<bool> TSelectionCommands::KeepsUndo(const std::vector<fs::path>& files) const {
  if (!Store->Usable()) return false;
  uint64_t bytes = 0;
  for (const fs::path& file : files) bytes += LookAtFile(file).size;
  if (Store->Fits(bytes)) return true;
  const QString question =
      files.size() == 1
          ? ProgramText(224, "The original of this photo (%1) does not fit into the undo store (%2). "
                             "Go on without undo?")
                .arg(DataSize(bytes), DataSize(Store->Limit()))
          : ProgramText(223, "The originals of these %1 photos (%2) do not fit into the undo store (%3). "
                             "Go on without undo?")
                .arg(QString::number(files.size()), DataSize(bytes), DataSize(Store->Limit()));
  if (!AskYesNo(&Form, question)) return std::nullopt;
  return false;
}

void TSelectionCommands::Finished(bool) {
  std::vector<std::pair<fs::path, QString>> failed;
  for (const BatchFailure& failure : Run->Failures()) failed.emplace_back(failure.File, failure.Reason);
  if (!failed.empty())
    ShowMessage(&Form, {QMessageBox::Warning, QStringLiteral("Pixaldo"),
                        ProgramText(225, "%1: these photos were not changed (the others were):")
                                .arg(Run->LastName()) +
                            QLatin1Char('\n') + Lines(failed)});
  Form.FileList->DirectoryChanged();
  AdjustStates();
}

void TSelectionCommands::Undo() {
  if (Run->Busy() || Form.TransformRunning() || !Store->CanUndo() || !Form.Info->IPTCControlsExit()) return;
  const QString name = QString::fromStdString(Store->LastName());
  std::vector<std::pair<fs::path, QString>> skipped;
  for (const UndoSkip& skip : Store->UndoLast()) skipped.emplace_back(skip.file, QString::fromStdString(skip.reason));
  if (!skipped.empty())
    ShowMessage(&Form, {QMessageBox::Warning, QStringLiteral("Pixaldo"),
                        ProgramText(226, "Undo of %1: these files were not put back:").arg(name) + QLatin1Char('\n') +
                            Lines(skipped)});
  Form.FileList->DirectoryChanged();
  ShowCurrentAgain();
  AdjustStates();
}

void TSelectionCommands::RecordEdit(const QString& name, const fs::path& file, const std::function<bool()>& write) {
  const std::optional<UndoStore*> undo =
      Form.TransformRunning() ? std::optional<UndoStore*>(nullptr) : UndoFor(name, file);
  if (undo) WithUndo(*undo, file, write);
  AdjustStates();
}

void TSelectionCommands::PressFields() {
  QStringList files = SelectedFiles();
  if (files.isEmpty() && !Form.CurrentFile.isEmpty()) files << Form.CurrentFile;
  if (files.isEmpty()) return;
  std::vector<PressTexts> photos;
  for (const QString& file : files) {
    try {
      photos.push_back(TPressEdits::Read(QStringToPath(file)));
    } catch (const std::exception&) {
      // a damaged photo has no say; its write fails and is named at the end
    }
  }
  const std::optional<PressEdits> typed = AskPressFields(photos);
  if (!typed || std::none_of(typed->begin(), typed->end(), [](const auto& edit) { return edit.has_value(); })) return;
  const bool keepDate = Form.ReadSettings().OriginalFileDate;
  const PressEdits edits = *typed;
  Start(ProgramText(216, "Press fields"), [=](const fs::path& file, UndoStore* undo) {
    WithUndo(undo, file, [&] {
      const PhotoLock lock(file, keepDate);
      return TPressEdits::Write(file, edits);
    });
  }, files);
}

void TSelectionCommands::ShowCurrentAgain() {
  if (Form.CurrentFile.isEmpty() || !QFileInfo::exists(Form.CurrentFile)) return;
  Form.FileList->RememberCurrentFile();
  Form.ShowPhoto(Form.CurrentFile);
  TSelectionFields& fields = *Form.Info->Several;
  if (fields.ShowsSeveral()) fields.Show(QStringList(fields.Files()));  // the fields stay the selection's
}

void TSelectionCommands::OfferLeftBehind() {
  const std::vector<fs::path> stores = UndoStore::LeftBehind(Store->Folder().parent_path());
  for (const fs::path& store : stores) {
    const bool restore = AskYesNo(&Form, ProgramText(227, "Pixaldo did not end normally last time. The originals of "
                                                          "%1 files changed then are still kept. Put them back?")
                                             .arg(UndoStore::FilesIn(store)));
    std::vector<std::pair<fs::path, QString>> skipped;
    for (const UndoSkip& skip : UndoStore::RestoreLeftBehind(store, restore))
      skipped.emplace_back(skip.file, QString::fromStdString(skip.reason));
    if (!skipped.empty())
      ShowMessage(&Form, {QMessageBox::Warning, QStringLiteral("Pixaldo"),
                          ProgramText(228, "These files were not put back:") + QLatin1Char('\n') + Lines(skipped)});
  }
  if (stores.empty()) return;
  // The photos put back are shown as they are now.
  Form.FileList->DirectoryChanged();
  ShowCurrentAgain();
}

void TSelectionCommands::ApplyTexts() {
  ShowUndoText();
  for (size_t i = 0; i < EditActions_.size(); ++i)
    EditActions_[i]->setText(ProgramText(kEdits[i].Text, kEdits[i].Caption));
  Progress->ApplyTexts();
}

void TSelectionCommands::BuildMenu() {
  Menu = new QMenu(Form.FileList);
  Menu->setObjectName(QStringLiteral("SelectionMenu"));
  for (const TransformRow& row : kTransforms) Menu->addAction(Form.Action(row.Action));
  Menu->addSeparator();
  for (const EditRow& row : kEdits) {
    QAction* action = Menu->addAction(QString());
    EditActions_.push_back(action);
    connect(action, &QAction::triggered, this,
            [this, row] { RunEdit(ProgramText(row.Text, row.Caption), row.Edit); });
  }
  Menu->addAction(Form.Action("FileDelete"));
  Menu->addSeparator();
  QAction* press = Menu->addAction(ProgramText(214, "Press fields\u2026"));
  press->setObjectName(QStringLiteral("SelectionPressFields"));
  connect(press, &QAction::triggered, this, &TSelectionCommands::PressFields);
  Menu->addSeparator();
  Menu->addAction(UndoAction);
  Form.FileList->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(Form.FileList, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { Menu->popup(Form.FileList->viewport()->mapToGlobal(at)); });
}

// The info panel's fields of several photos.

bool TSelectionCommands::ShowsSeveral() const { return Form.Info->Several->ShowsSeveral(); }

void TSelectionCommands::SelectionChanged() {
  TSelectionFields& fields = *Form.Info->Several;
  const QStringList files = SelectedFiles();
  if (fields.ShowsSeveral() && files == fields.Files()) return;
  if (fields.ShowsSeveral()) Form.Info->IPTCControlsExit();  // what was typed goes to the photos it was typed for
  if (files.size() > 1) {
    fields.Show(files);
  } else if (fields.ShowsSeveral()) {
    fields.Leave();
    try {
      Form.RefreshFileInfo();
    } catch (const std::exception&) {
      // the photo's own error shows when it is next shown
    }
  }
  AdjustStates();
}

}  // namespace pixaldo
