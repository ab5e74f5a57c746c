#include "app/MainForm.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QHeaderView>
#include <QContextMenuEvent>
#include <QMimeData>
#include <QTimer>
#include <QVBoxLayout>

#include "app/ActionIcons.h"
#include "app/BusyCursor.h"
#include "app/CommandEnabling.h"
#include "app/CommandTable.h"
#include "app/CropModeCommands.h"
#include "app/DroppedPaths.h"
#include "app/ElidedTips.h"
#include "app/InfoPane.h"
#include "app/MainWindowSettings.h"
#include "app/SelectionCommands.h"
#include "app/PicturePane.h"
#include "app/ShortcutDispatch.h"
#include "app/PhotoTransforms.h"
#include "app/ViewModes.h"
#include "app/TransformCommand.h"
#include "app/WindowCommands.h"
#include "dialogs/DlgTextConflict.h"
#include "file_list/gui/BrowserPane.h"
#include "file_list/gui/ListFilter.h"
#include "file_list/gui/JpegList.h"
#include "photo_record/JpegBasicObject.h"
#include "photo_view/gui/PhotoImage.h"
#include "photo_view/gui/ReadAhead.h"
#include "platform/FileSystem.h"
#include "platform/LocaleFormats.h"
#include "platform/gui/FileDialogs.h"
#include "platform/gui/UserMessages.h"
#include "transforms/JpegTran.h"

namespace pixaldo {
namespace {

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromLatin1(name));
  return label;
}

QFrame* MakePanel(QWidget* parent, const char* name) {
  auto* panel = new QFrame(parent);
  panel->setObjectName(QString::fromLatin1(name));
  return panel;
}

QString CaptionText(const std::string& utf8) { return QString::fromStdString(utf8); }

}  // namespace

TFormMain::TFormMain(QStringList arguments, QWidget* parent)
    : QWidget(parent),
      ReadSettings(&ReadMainWindowSettings),
      AskTransformTarget([this](const QString& proposed) { return Transforms->AskTarget(proposed); }),
      AskDatabaseName([this](const QString& directory) { return AskSaveDatabase(this, directory); }),
      OpenDocument(&OpenWithDefaultHandler),
      AskAboutUnturnedEdges([this](const auto& photos, bool leave) { return AskAboutEdgesOnce(this, photos, leave); }),
      Arguments(std::move(arguments)) {
  setObjectName(QStringLiteral("FormMain"));
  setWindowTitle(QStringLiteral("Pixaldo"));
  setGeometry(132, 118, 800, 618);
  setMinimumSize(800, 600);
  QFont font(QStringLiteral("MS Sans Serif"));
  font.setPixelSize(11);
  setFont(font);
  setAutoFillBackground(true);
  Modes = std::make_unique<TViewModes>(*this);
  Windows = std::make_unique<TWindowCommands>(*this);
  CropModes = std::make_unique<TCropModeCommands>(*this);
  CreateActions();
  CreateLayout();
  FormCreate();
}

TFormMain::~TFormMain() {
  // Free the owned objects in the order of the design: list, view, runner.
  delete FileList;
  FileList = nullptr;
  delete PhotoView;
  PhotoView = nullptr;
  Transformer.reset();
}

QAction* TFormMain::Action(const char* name) const {
  for (QAction* action : ActionList)
    if (action->objectName() == QLatin1String(name)) return action;
  return nullptr;
}

void TFormMain::CreateActions() {
  for (const ActionRow& row : kActions) {
    auto* action = new QAction(QString::fromLatin1(row.Caption), this);
    action->setObjectName(QString::fromLatin1(row.Name));
    action->setProperty("Category", ActionCategory(row.Name));
    if (row.Icon >= 0) action->setIcon(ActionIcon(row.Icon));
    if (*row.Shortcut && QLatin1String(row.Name) != QLatin1String("AppNormal"))
      action->setShortcut(QKeySequence(QString::fromLatin1(row.Shortcut)));
    action->setShortcutContext(Qt::WindowShortcut);
    addAction(action);
    ActionList << action;
  }
  ConnectCommands();
  Shortcuts = new TShortcutDispatch(this, ActionList);
  Shortcuts->Suspended = [this] { return EditingFileName(); };
  Shortcuts->ControlTakes = [this](const QKeyEvent& event) { return Info && Info->EscapeRevertsField(event); };
}

void TFormMain::ConnectCommands() {
  using Kind = TransformKind;
  const std::pair<const char*, std::function<void()>> handlers[] = {
      {"AppDirOpen", [this] { FileList->BrowseAndOpen(); }},
      {"AppDirDatabase", [this] { Windows->AppDirDatabaseExecute(); }},
      {"AppPictureSize", [this] { AppPictureSizeExecute(); }},
      {"AppPrezentation", [this] { Modes->Present(); }},
      {"FileMetadataShow", [this] { Windows->FileMetadataShowExecute(); }},
      {"FileRename", [this] { FileList->RenameSelected(); }},
      {"FileDelete", [this] { FileList->DeleteSelected(); }},
      {"AppNormal", [this] { Modes->Normal(); }},
      {"FileNext", [this] { FileList->SelectNext(); }},
      {"FilePrev", [this] { FileList->SelectPrevious(); }},
      {"AppInfoBar", [this] { Modes->ToggleInfoBar(); }},
      {"AppOptions", [this] { Windows->AppOptionsExecute(); }},
      {"JpgMetadataDelete", [this] { RunTransform(Kind::MetadataDelete); }},
      {"JpgFlipHorizontal", [this] { RunTransform(Kind::FlipHorizontal); }},
      {"JpgFlipVertical", [this] { RunTransform(Kind::FlipVertical); }},
      {"JpgRotateLeft", [this] { RunTransform(Kind::RotateLeft); }},
      {"JpgRotateRight", [this] { RunTransform(Kind::RotateRight); }},
      {"JpgRotateByExif", [this] { RunTransform(Kind::AutoRotate); }},
      {"JpgCrop", [this] { RunTransform(Kind::Crop); }},
      {"AppAbout", [this] { Windows->AppAboutExecute(); }},
      {"AppExit", [this] { close(); }},
      {"JpgCropStyle", [this] { CropModes->JpgCropStyleExecute(); }},
      {"JpgCropRatio", [this] { CropModes->JpgCropRatioExecute(); }},
      {"JpgCancelCropping", [this] { PhotoView->ClearCrop(); }},
      {"AppThumbnails", [this] { Browser->ShowGrid(!Browser->GridShown()); }},
  };
  for (const auto& [name, handler] : handlers)
    connect(Action(name), &QAction::triggered, this, [this, name, handler] {
      if (!Selection || !Selection->Take(name)) handler();
    });
}

bool TFormMain::EditingFileName() const {
  // Renaming in place: the name editor keeps Esc, Ctrl+C and Ctrl+V.
  const QWidget* focus = QApplication::focusWidget();
  return FileList && focus && focus != FileList && FileList->isAncestorOf(focus);
}

void TFormMain::CreateLayout() {
  auto* outer = new QHBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->setSpacing(0);

  ToolBar1 = new QToolBar(this);
  ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
  ToolBar1->setOrientation(Qt::Vertical);
  ToolBar1->setFixedWidth(32);
  ToolBar1->setIconSize(QSize(kActionIconSize, kActionIconSize));
  ToolBar1->setMovable(false);
  for (const char* name : kToolBar) {
    if (!*name)
      ToolBar1->addSeparator();
    else
      ToolBar1->addAction(Action(name));
  }
  outer->addWidget(ToolBar1);
  PopupMenu = Modes->CreatePopupMenu();

  Splitter = new QSplitter(Qt::Horizontal, this);
  Splitter->setObjectName(QStringLiteral("Splitter"));
  Splitter->setHandleWidth(2);
  Splitter->setChildrenCollapsible(false);
  Splitter->setOpaqueResize(true);
  outer->addWidget(Splitter, 1);

  PanelInfo = MakePanel(Splitter, "PanelInfo");
  PanelInfo->setMinimumWidth(200);
  auto* infoLayout = new QVBoxLayout(PanelInfo);
  infoLayout->setContentsMargins(0, 0, 0, 0);
  infoLayout->setSpacing(0);
  PanelInfoTop = MakePanel(PanelInfo, "PanelInfoTop");
  Header1 = MakeLabel(PanelInfoTop, "Header1", QStringLiteral("A&dresář"));
  Header1->setGeometry(6, 2, 188, 14);
  infoLayout->addWidget(PanelInfoTop, 1);
  Info = new TInfoPane(*this, PanelInfo);
  infoLayout->addWidget(Info);
  for (QAction* action : Info->RatingActions) Shortcuts->Add(action);
  Splitter->addWidget(PanelInfo);

  Picture = new TPicturePane(Splitter, Info->LblCrop, Action("JpgCrop"), Info->LblZoom, Action("AppPictureSize"));
  Picture->TakeViewCommands(ActionList, PopupMenu);
  PanelImage = Picture->Panel();
  ImageStop = Picture->StopSign();
  PhotoView = Picture->Image();
  Splitter->addWidget(Picture);
  Splitter->setStretchFactor(0, 0);
  Splitter->setStretchFactor(1, 1);
  Splitter->setSizes({200, 600});
}

void TFormMain::FormCreate() {
  Transformer = std::make_unique<TJpegTran>();
  Transforms = std::make_unique<TPhotoTransforms>(*this);
  Picture->CropAllowed = [this] { return CropAllowed(); };
  Picture->LayoutReady = [this] { return LayoutReady; };
  Picture->Presenting = [this] { return PresentationMode; };
  // Presenting, the wheel over a picture that fits browses.
  connect(PhotoView, &TPhotoImage::BrowseRequested, this, [this](int step) {
    if (PresentationMode) step > 0 ? FileList->SelectNext() : FileList->SelectPrevious();
  });
  PhotoView->SetReadAhead(new TReadAhead(TReadAhead::kDefaultBudget, this));
  Browser = new TBrowserPane(PanelInfoTop, PanelImage);
  Browser->KeepChoice = &KeepThumbnailGridChoice;
  FileList = Browser->List();
  connect(Browser, &TBrowserPane::GridToggled, this, [this](bool gridShown) {
    if (!gridShown && PictureSkipped && !CurrentFile.isEmpty()) return ShowPhoto(CurrentFile);
    FitPicture();
  });
  Header1->setBuddy(FileList);
  // Clicks and keys in the list (selection, renaming) wait for a running
  // transform as the commands do.
  Browser->WatchInput(this);
  // Tab goes from the list through the IPTC fields, in their order.
  QWidget* previous = FileList;
  for (int field = 0; field < kIptcFieldCount; ++field) {
    setTabOrder(previous, Info->IptcControl(field));
    previous = Info->IptcControl(field);
  }
  connect(FileList, &TJpegList::PhotoSelected, this, &TFormMain::ShowPhoto);
  connect(FileList, &TJpegList::StopSignRequested, this, &TFormMain::ShowStopSign);
  // The current file renamed in the list stays current under its new name,
  // so that its IPTC fields are still written to it.
  connect(FileList, &TJpegList::FileRenamed, this, [this](const QString& from, const QString& to) {
    if (CurrentFile == from) CurrentFile = to;
  });
  // Files came or went, or the filter showed or hid rows: the counter and
  // commands follow, the shown picture and its crop frame stay.
  connect(FileList, &TJpegList::ListChanged, this, [this] {
    ShowFileLabels();
    UpdateCommandStates();
    ReadAround();  // the neighbours may be others now
  });
  connect(FileList, &TJpegList::CurrentFileChanged, this, &TFormMain::ReloadPhoto);
  // A click makes a row current before it selects it: the counter and the
  // commands follow the selection once it is made.
  connect(FileList, &TJpegList::SelectedFilesChanged, this, [this] {
    ShowFileLabels();
    UpdateCommandStates();
  });
  Selection = new TSelectionCommands(*this);
  Shortcuts->Add(Selection->UndoAction);
  CurrentFile.clear();
  InfoBarVisible = true;
  PresentationMode = false;
  setAcceptDrops(true);
}

void TFormMain::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (Shown) return;
  Shown = true;
  FormShow();
  // The keys go to the list (or the grid) from the start: the arrows browse at once.
  Browser->ViewWithKeys()->setFocus(Qt::OtherFocusReason);
}

void TFormMain::FormShow() {
  LayoutReady = true;
  ApplySettings(0);  // the crop mode set-up starts in style 0 (landscape)
  Info->GridExif->clearSelection();
  Info->GridExif->setColumnWidth(1, 300);
  if (ReadSettings().ThumbnailGrid) Browser->ShowGrid(true);

  if (!Arguments.isEmpty()) {
    std::error_code error;
    if (std::filesystem::exists(QStringToPath(Arguments.first()), error)) {
      FileList->OpenPath(Arguments.first());
      return;
    }
  }
  QString own = QCoreApplication::applicationDirPath();
  if (!own.endsWith(QLatin1Char('/'))) own += QLatin1Char('/');
  FileList->OpenPath(own);
}

void TFormMain::ApplySettings(int cropStyle) {
  const MainWindowSettings settings = ReadSettings();
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, settings.FormColor);
  setPalette(palette);
  Info->SetCategories(settings.Categories);
  // The proportion is the settings window's choice once that window exists.
  CropModes->Apply(Windows->Options() ? CropProportion() : settings.CropProportion, cropStyle);
  ApplyToMainWindow();
  PhotoView->StretchFilterIndex = settings.StretchFilter;
  PhotoView->MaxCropFrame = settings.MaxCropFrame;
  PhotoView->SetAutoOrient(settings.AutoOrient);
  Picture->SetChoice({FitModeFromIndex(settings.FitMode), settings.EnlargeSmall});
  PhotoView->Colour = settings.Colour;
}

void TFormMain::SetDialogs(TFormOptions* options, TFormMetaData* metaData, TFormAbout* about) {
  Windows->SetDialogs(options, metaData, about);
}

void TFormMain::AppPictureSizeExecute() {
  Picture->NextFitMode();
}

void TFormMain::contextMenuEvent(QContextMenuEvent* event) {
  // The pop-up menu belongs to presentation mode only.
  if (PresentationMode)
    PopupMenu->popup(event->globalPos());
  else
    QWidget::contextMenuEvent(event);
}

int TFormMain::CropProportion() const { return CropModes->Proportion(); }

void TFormMain::RunTransform(TransformKind kind) { Transforms->Run(kind); }

bool TFormMain::TransformRunning() const { return Transforms->Running(); }

void TFormMain::ApplyToMainWindow() {
  for (const TextTarget& target : kTexts) {
    const QString text = CaptionText(LanguageText(target.Entry));
    if (QAction* action = Action(target.Name))
      action->setText(text);
    else if (auto* label = findChild<QLabel*>(QString::fromLatin1(target.Name)))
      label->setText(text);
  }
  Info->ApplyTexts([](int entry) { return CaptionText(LanguageText(entry)); });
  Browser->Filter()->ApplyTexts();
  // Tool tips name the command and its key: "Rotate left (Ctrl+L)".
  for (const ActionRow& row : kActions) {
    QAction* action = Action(row.Name);
    QString tip = action->text().remove(QLatin1Char('&'));
    if (*row.Shortcut)
      tip += QStringLiteral(" (%1)").arg(QKeySequence(QString::fromLatin1(row.Shortcut)).toString(QKeySequence::NativeText));
    action->setToolTip(tip);
  }
  if (Selection) Selection->ApplyTexts();
}

bool TFormMain::CropAllowed() const { return Transformer->JpegTranAvailable() && !PresentationMode; }

void TFormMain::FitPicture() { Picture->Fit(); }

bool TFormMain::Attempt(const QString& file, const std::function<void()>& step) {
  std::filesystem::path failed;
  QString reason;
  try {
    step();
    return true;
  } catch (const FileError& error) {
    failed = error.path();
    reason = QString::fromUtf8(error.reason());
  } catch (const std::exception& error) {
    failed = QStringToPath(file);
    reason = QString::fromUtf8(error.what());
  }
  // The message box gets the normal cursor, whatever the step had set.
  const bool busy = QApplication::overrideCursor() != nullptr;
  if (busy) QApplication::restoreOverrideCursor();
  ShowFileError(this, failed, reason);
  if (busy) QApplication::setOverrideCursor(Qt::WaitCursor);
  return false;
}

void TFormMain::ShowPhoto(const QString& path) { LoadAndShow(path, true); }

void TFormMain::ReloadPhoto(const QString& path) {
  // Another program rewrote the current file. One that cannot be read yet (a
  // copy not quite finished) gets one more try after a pause before the
  // error is shown.
  if (path != CurrentFile || LoadAndShow(path, false)) return;
  QTimer::singleShot(FileList->SettleMilliseconds, this, [this, path] {
    if (path == CurrentFile) ShowPhoto(path);
  });
}

bool TFormMain::LoadAndShow(const QString& path, bool reportFailure) {
  // Typing that was never written belongs to the file that is still current;
  // text it cannot take keeps that file current.
  if (!Info->FlushIptcEdits()) return true;
  const BusyCursor busy;
  CurrentFile = path;
  // Behind the grid the picture is decoded (and its neighbours read ahead)
  // only once it is shown: the grid's thumbnails come first.
  PictureSkipped = Browser->GridShown();
  const auto load = [this] {
    if (PictureSkipped)
      PhotoView->SkipPicture(CurrentFile, Info->LblDimension);
    else
      PhotoView->LoadPicture(CurrentFile, Info->LblDimension);
    FitPicture();
  };
  bool shown = true;
  if (reportFailure) {
    shown = Attempt(path, load);
  } else {
    try {
      load();
    } catch (const std::exception&) {
      return false;
    }
  }
  if (!shown) {
    // The picture stays away, but the info panel follows the new file so
    // that its IPTC fields never show another file's values.
    PhotoView->LoadPicture(QString(), Info->LblDimension);
    FitPicture();
  }
  Attempt(path, [this] { RefreshFileInfo(); });
  UpdateCommandStates();
  if (!PictureSkipped) ReadAround();
  return shown;
}

void TFormMain::ReadAround() {
  const int index = FileList->SelectedIndex();
  if (index < 0) return;
  // Ahead in the direction of the last move, then one back, then two ahead.
  const int step = index < LastShownIndex ? -1 : 1;
  LastShownIndex = index;
  QStringList files;
  for (const int offset : {step, -step, 2 * step}) {
    const int row = index + offset;
    if (row >= 0 && row < FileList->FileCount()) files << FileList->FullPath(FileList->FileNameAt(row));
  }
  PhotoView->ReadAround(files);
}

void TFormMain::ShowStopSign() {
  ++StopSignCount;
  QWidget* shown = Browser->ShownPane();
  shown->hide();
  QEventLoop loop;
  QTimer::singleShot(StopSignMilliseconds, &loop, &QEventLoop::quit);
  loop.exec();
  shown->show();
}

void TFormMain::UpdateCommandStates() {
  CommandContext context;
  context.FilesPresent = FileList->FileCount() > 0;
  context.Selected = FileList->SelectedIndex() >= 0;
  context.TransformAvailable = Transformer->JpegTranAvailable();
  context.CropProportionSet = CropProportion() != 0;
  context.CropFrameDrawn = PhotoView->CropState().CropActionEnabled();
  context.Sideways = PhotoView->PictureOrientation() != Orientation::Upright;
  context.Transforming = TransformRunning();
  for (const EnablingRow& row : kEnabling) {
    const bool enabled = Holds(row.When, context);
    if (QAction* action = Action(row.Name))
      action->setEnabled(enabled);
    else if (auto* control = findChild<QWidget*>(QString::fromLatin1(row.Name)))
      control->setEnabled(enabled);
  }
  for (QAction* action : Info->RatingActions) action->setEnabled(context.Selected);
  if (Selection) Selection->AdjustStates();
}

void TFormMain::RefreshFileInfo() {
  ShowFileLabels();
  const std::filesystem::path file = QStringToPath(CurrentFile);
  std::error_code error;
  if (!CurrentFile.isEmpty() && std::filesystem::is_regular_file(file, error)) {
    TJpegBasicObject record(file);
    record.ReadBlockSize();
    record.ReadTags();
    PhotoView->SetBlockSize(record.BlockWidth, record.BlockHeight);
    Info->ShowDctBlock(record.BlockWidth, record.BlockHeight);
    Info->ShowPhotoRecord(record.IptcFields, record.ExifSummary, file);
  } else {
    Info->ShowDctBlock(0, 0);
    Info->ShowPhotoRecord(TMyIptcTags{}, TMyExifTags{});
  }
}

void TFormMain::ShowFileLabels() { Info->ShowFileLabels(FileList->ShownIndex(), FileList->ShownCount()); }

bool TFormMain::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  const bool input =
      type == QEvent::KeyPress || type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick;
  if (input && Transforms && TransformRunning() && Browser->IsView(watched)) {
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

bool TFormMain::event(QEvent* event) {
  if (event->type() == kReloadEvent) {
    ShowPhoto(FileList->CurrentPath());
    return true;
  }
  return QWidget::event(event);
}

void TFormMain::closeEvent(QCloseEvent* event) {
  // Closing the window does not move the focus; typing is written all the
  // same, and text that cannot be stored keeps the window open.
  if (!Info->FlushIptcEdits()) {
    event->ignore();
    return;
  }
  // A transform in progress ends before the window goes.
  if (TransformRunning()) {
    const BusyCursor busy;
    Transforms->Wait();
  }
  QWidget::closeEvent(event);
}

bool TFormMain::AcceptsDroppedName(const QString& path) { return TDroppedPaths::Accepts(path); }

void TFormMain::DropPath(const QString& path) {
  if (AcceptsDroppedName(path) && !TransformRunning()) FileList->OpenPath(path);
}

void TFormMain::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TFormMain::dropEvent(QDropEvent* event) {
  event->acceptProposedAction();
  const QString path = TDroppedPaths::FirstLocalPath(*event->mimeData());
  if (!path.isEmpty()) DropPath(path);
}

}  // namespace pixaldo
