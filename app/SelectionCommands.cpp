#include "app/SelectionCommands.h"

#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QTimer>
#include <QVBoxLayout>
#include <array>
#include <optional>

#include "app/BatchProgress.h"
#include "app/BatchRun.h"
#include "app/MainForm.h"
#include "app/TransformCommand.h"
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

std::string& FieldOf(TMyIptcTags& tags, int field) {
  return field == kIptcCategory ? tags.Category : field == kIptcObjectName ? tags.ObjectName : tags.ImageCaption;
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
  Store->Begin(name.toStdString());
  return Store.get();
}

void TSelectionCommands::AdjustStates() {
  const bool idle = !Run->Busy() && !Form.TransformRunning();
  if (Several() && idle && Form.Transformer->JpegTranAvailable()) Form.Action("JpgRotateByExif")->setEnabled(true);
  UndoAction->setEnabled(idle && Store->CanUndo());
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
  if (!Form.IPTCControlsExit()) return;
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
  if (Run->Busy() || Form.TransformRunning() || !Store->CanUndo() || !Form.IPTCControlsExit()) return;
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

void TSelectionCommands::ShowCurrentAgain() {
  if (Form.CurrentFile.isEmpty() || !QFileInfo::exists(Form.CurrentFile)) return;
  Form.FileList->RememberCurrentFile();
  Form.ShowPhoto(Form.CurrentFile);
  if (ShowsSeveral_) ShowSelectionIptc(IptcFiles_);  // the fields stay the selection's
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
  UndoAction->setText(ProgramText(220, "Undo"));
  for (size_t i = 0; i < EditActions_.size(); ++i)
    EditActions_[i]->setText(ProgramText(kEdits[i].Text, kEdits[i].Caption));
  Progress->ApplyTexts();
  for (int field = 0; field < 3; ++field) MarkDifferent(field, Different_[size_t(field)]);
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
  Menu->addAction(UndoAction);
  Form.FileList->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(Form.FileList, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { Menu->popup(Form.FileList->viewport()->mapToGlobal(at)); });
}

// The IPTC fields of several photos.

void TSelectionCommands::SelectionChanged() {
  const QStringList files = SelectedFiles();
  if (ShowsSeveral_ && files == IptcFiles_) return;
  if (ShowsSeveral_) Form.IPTCControlsExit();  // what was typed goes to the photos it was typed for
  if (files.size() > 1) {
    ShowSelectionIptc(files);
  } else if (ShowsSeveral_) {
    ShowsSeveral_ = false;
    IptcFiles_.clear();
    for (int field = 0; field < 3; ++field) MarkDifferent(field, false);
    try {
      Form.RefreshFileInfo();
    } catch (const std::exception&) {
      // the photo's own error shows when it is next shown
    }
  } else {
    // A click makes its row current before it selects it: the photo was
    // shown while no row was selected yet.
    Form.ShowFileLabels();
  }
  Form.UpdateCommandStates();  // the selection's own rules included
}

void TSelectionCommands::ShowSelectionIptc(const QStringList& files) {
  TMyIptcTags common;
  std::array<bool, 3> different{};
  bool first = true;
  for (const QString& file : files) {
    TMyIptcTags tags;
    try {
      TJpegBasicObject record(QStringToPath(file));
      record.ReadTags();
      tags = record.IptcFields;
    } catch (const std::exception&) {
      continue;  // a damaged photo has no say
    }
    for (int field = 0; field < 3; ++field) {
      if (first)
        FieldOf(common, field) = FieldOf(tags, field);
      else if (FieldOf(common, field) != FieldOf(tags, field))
        different[field] = true;
    }
    first = false;
  }
  for (int field = 0; field < 3; ++field)
    if (different[field]) FieldOf(common, field).clear();
  const IptcTexts texts = Form.IptcRules.Load(common);
  Form.CBox1->setEditText(texts[kIptcCategory]);
  Form.Edit2->setText(texts[kIptcObjectName]);
  Form.Memo3->setPlainText(texts[kIptcCaption]);
  Form.IptcRules.Written({Form.CBox1->currentText(), Form.Edit2->text(), Form.Memo3->toPlainText()});
  for (int field = 0; field < 3; ++field) MarkDifferent(field, different[field]);
  ShowsSeveral_ = true;
  IptcFiles_ = files;
}

void TSelectionCommands::MarkDifferent(int field, bool different) {
  Different_[size_t(field)] = different;
  const QString mark = different ? ProgramText(229, "(different values)") : QString();
  if (field == kIptcCategory && Form.CBox1->lineEdit()) Form.CBox1->lineEdit()->setPlaceholderText(mark);
  if (field == kIptcObjectName) Form.Edit2->setPlaceholderText(mark);
  if (field == kIptcCaption) Form.Memo3->setPlaceholderText(mark);
}

bool TSelectionCommands::WriteIptcEdits(TIptcEdits& rules, const IptcTexts& shown) {
  const TIptcEdits::Outcome outcome = rules.Prepare(shown);
  if (outcome.What == TIptcEdits::Outcome::Nothing) return true;
  if (outcome.What == TIptcEdits::Outcome::Unstorable) {
    ShowFileError(&Form, QStringToPath(IptcFiles_.value(0)),
                  ProgramText(230, "The IPTC text was not written: it is longer than the field can store."));
    return false;
  }
  // Only the fields typed into are written; the others keep each photo's own.
  TMyIptcTags prepared = outcome.Fields;
  std::array<std::optional<std::string>, 3> typed;
  for (int field = 0; field < 3; ++field)
    if (shown[field] != rules.Loaded()[field]) {
      typed[field] = FieldOf(prepared, field);
      MarkDifferent(field, false);
    }
  const bool keepDate = Form.ReadSettings().OriginalFileDate;
  rules.Written(shown);
  // The start flushes the fields again: they are written by now.
  ShowsSeveral_ = false;
  Start(ProgramText(231, "IPTC fields"), [=](const fs::path& file, UndoStore* undo) {
    WithUndo(undo, file, [&] {
      const PhotoLock lock(file, keepDate);
      TJpegBasicObject current(file);
      current.ReadTags();
      TMyIptcTags tags = current.IptcFields;
      bool changed = false;
      for (int field = 0; field < 3; ++field)
        if (typed[field] && FieldOf(tags, field) != *typed[field]) {
          FieldOf(tags, field) = *typed[field];
          changed = true;
        }
      if (changed) TJpegBasicObject(file).WriteIptc(tags);
      return changed;
    });
  }, IptcFiles_);
  ShowsSeveral_ = true;
  return true;
}

}  // namespace pixaldo
