#pragma once
// TFormMain: the main window. It lays out the browser pane (file list or
// thumbnail grid), the info pane and the picture pane, owns the actions and
// hands them to the command units (view modes, crop mode, the other windows,
// transforms, selections), holds the current file and has the panes follow it.
// Every control carries its design name as object name.
#include <QAction>
#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QSplitter>
#include <QStringList>
#include <QToolBar>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

#include "transforms/gui/EdgeQuestion.h"
#include "colour/ColourSource.h"

namespace pixaldo {

class TFormOptions;
class TFormMetaData;
class TFormAbout;

class TJpegList;
class TBrowserPane;
class TPhotoImage;
class TPicturePane;
class TJpegTran;
class TShortcutDispatch;
class TPhotoTransforms;
class TSelectionCommands;
class TInfoPane;
class TViewModes;
class TWindowCommands;
class TCropModeCommands;
enum class TransformKind : int;

// The reload request: makes the file list's current path current again.
inline constexpr QEvent::Type kReloadEvent = static_cast<QEvent::Type>(QEvent::User + 100);

// The settings the main window reads (from the settings store).
struct MainWindowSettings {
  QColor FormColor;
  QStringList Categories;
  int CropProportion = 0;
  int CropRatioN = 1, CropRatioM = 1, CropSizeN = 16, CropSizeM = 16;
  unsigned StretchFilter = 0;
  bool MaxCropFrame = false;
  bool OriginalFileDate = true;
  // What the transform commands read at each run.
  bool OverwriteRotaFlip = true;
  bool ThumbAuto = true;
  bool AutoOrient = true;
  int FitMode = 0;  // square, window, width
  bool EnlargeSmall = false;
  ColourTarget Colour = ColourTarget::Off();  // the colour settings with the screen's profile
  QString CropSuffix = QStringLiteral("_crop");
  bool AlwaysTrim = false;             // trims edges that cannot be turned without asking
  bool ThumbnailGrid = false;          // the grid in place of the picture
  bool OverwriteCropCheckBox = false;  // temporary, never stored
};

class TFormMain : public QWidget {
  Q_OBJECT

 public:
  // `arguments` are the command-line arguments after the program name.
  explicit TFormMain(QStringList arguments = {}, QWidget* parent = nullptr);
  ~TFormMain() override;

  // Components (design names).
  QToolBar* ToolBar1 = nullptr;
  QSplitter* Splitter = nullptr;
  QFrame* PanelInfo = nullptr;
  QFrame* PanelInfoTop = nullptr;
  TInfoPane* Info = nullptr;  // the file data, IPTC fields, rating and EXIF (PanelInfoBottom)
  QWidget* PanelImage = nullptr;
  QLabel* ImageStop = nullptr;
  QLabel* Header1 = nullptr;
  QList<QAction*> ActionList;  // in the order of the command table
  QAction* Action(const char* name) const;
  QMenu* PopupMenu = nullptr;  // opens on a right click only while presenting

  // State.
  TBrowserPane* Browser = nullptr;  // the file list and the thumbnail grid
  TJpegList* FileList = nullptr;
  QString CurrentFile;
  TPhotoImage* PhotoView = nullptr;  // in the picture pane
  TPicturePane* Picture = nullptr;
  std::unique_ptr<TJpegTran> Transformer;
  bool InfoBarVisible = true;
  bool PresentationMode = false;
  bool LayoutReady = false;

  // Commands on several photos, the undo store and Undo.
  TSelectionCommands* Selection = nullptr;

  // Settings source; replaced by tests. By default the settings store.
  std::function<MainWindowSettings()> ReadSettings;
  // The save dialogs and the opening of an exported database; tests answer
  // them. An empty name is a cancelled dialog.
  std::function<QString(const QString& proposed)> AskTransformTarget;
  std::function<QString(const QString& directory)> AskDatabaseName;
  std::function<void(const QString& file)> OpenDocument;
  // Asks about edges a transform would leave unturned (a question).
  std::function<EdgeChoice(const std::vector<PhotoEdges>&, bool offerLeave)> AskAboutUnturnedEdges;

  // Routines.
  void ShowPhoto(const QString& path);
  // Shows the current file again after another program rewrote it.
  void ReloadPhoto(const QString& path);
  void ShowStopSign();
  void ApplyToMainWindow();
  // Takes colour, categories, crop mode, stretch filter and maximal-frame
  // flag from the settings, and the texts of the chosen language.
  void ApplySettings(int cropStyle);
  // The info pane reads the current file again.
  void RefreshFileInfo();
  bool CropAllowed() const;
  // The enabling rule, run after every file shown.
  void UpdateCommandStates();
  // Has the photos next to the current one prepared ahead.
  void ReadAround();
  // The info bar shown or hidden, and presentation mode.
  std::unique_ptr<TViewModes> Modes;
  // The commands that open the other windows, and the database export.
  std::unique_ptr<TWindowCommands> Windows;
  // The crop mode: proportion (0..4) and style, shared by the photo view, the
  // settings window and the two crop command icons.
  std::unique_ptr<TCropModeCommands> CropModes;
  int CropProportion() const;
  // One lossless transform of the current file, with the save dialog when the
  // result goes to a new file; then the result is shown.
  void RunTransform(TransformKind kind);
  // A transform started by RunTransform has not ended yet.
  bool TransformRunning() const;
  // The three other windows of the program, created once at start after this
  // one; the about, metadata and settings commands open them.
  void SetDialogs(TFormOptions* options, TFormMetaData* metaData, TFormAbout* about);
  // Handles a dropped path as a drop from the desktop would.
  void DropPath(const QString& path);
  static bool AcceptsDroppedName(const QString& path);
  // Runs one step that reads or writes `file`; an error is shown in a
  // message box naming the file and the reason, and gives false.
  bool Attempt(const QString& file, const std::function<void()>& step);

  // How long the stop sign stays; how often it was shown.
  int StopSignMilliseconds = 500;
  int StopSignCount = 0;

 protected:
  void showEvent(QShowEvent* event) override;
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  void FormCreate();
  void FormShow();
  // Command handlers beyond the plain forwarders.
  void AppPictureSizeExecute();
  void ConnectCommands();
  bool EditingFileName() const;
  void CreateLayout();
  void CreateActions();
  void FitPicture();
  void ShowFileLabels();
  // ShowPhoto; without reportFailure a picture that cannot be decoded
  // leaves the rest undone and gives false instead of showing the error.
  bool LoadAndShow(const QString& path, bool reportFailure);

  QStringList Arguments;
  bool Shown = false;
  TShortcutDispatch* Shortcuts = nullptr;
  std::unique_ptr<TPhotoTransforms> Transforms;
  int LastShownIndex = -1;
  bool PictureSkipped = false;  // the current file's picture waits for the grid to give way
};

}  // namespace pixaldo
