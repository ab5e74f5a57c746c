#pragma once
// TFormMain: the main window. It owns the file list, the photo view and the
// transform runner, holds the current file, and fills the info panel (file
// counter, file data, the three IPTC fields and the EXIF summary) each time
// a file is shown. Every control carries its design name as object name.
#include <QAction>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QStringList>
#include <QTableWidget>
#include <QToolBar>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

namespace pixaldo {

class TFormOptions;
class TFormMetaData;
class TFormAbout;

class TJpegList;
class TPhotoImage;
class TJpegTran;
struct TMyIptcTags;
struct TMyExifTags;

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
  QString CropSuffix = QStringLiteral("_crop");
  bool TrimCheckBox = false;           // temporary, never stored
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
  QFrame* PanelInfoBottom = nullptr;
  QFrame* PanelImgFile = nullptr;
  QWidget* PanelImage = nullptr;
  QLabel* ImageStop = nullptr;
  QLabel *Header1 = nullptr, *Header2 = nullptr, *Header3 = nullptr, *Header4 = nullptr, *Header5 = nullptr,
         *Header6 = nullptr;
  QLabel *Label21 = nullptr, *Label22 = nullptr, *Label23 = nullptr, *Label24 = nullptr, *Label25 = nullptr;
  QLabel *LblFileNo = nullptr, *LblFileAttr = nullptr, *LblZoom = nullptr, *LblDimension = nullptr,
         *LblDctInfo = nullptr, *LblCrop = nullptr;
  QComboBox* CBox1 = nullptr;
  QLineEdit* Edit2 = nullptr;
  QPlainTextEdit* Memo3 = nullptr;
  QTableWidget* GridExif = nullptr;
  QList<QAction*> ActionList;  // in the order of the command table
  QAction* Action(const char* name) const;

  // State.
  TJpegList* FileList = nullptr;
  QString CurrentFile;
  TPhotoImage* PhotoView = nullptr;
  std::unique_ptr<TJpegTran> Transformer;
  bool SquareFit = true;
  bool InfoBarVisible = true;
  bool PresentationMode = false;
  bool LayoutReady = false;

  // Settings source; replaced by tests. By default the settings store.
  std::function<MainWindowSettings()> ReadSettings;

  // Routines.
  void ShowPhoto(const QString& path);
  void ShowStopSign();
  void ApplyToMainWindow();
  void RefreshFileInfo();
  void ShowFileLabels();
  void ShowDctBlock(int horizontal, int vertical);
  void ShowPhotoRecord(const TMyIptcTags& iptc, const TMyExifTags& exif);
  void IPTCControlsExit();
  bool CropAllowed() const;
  // The three other windows of the program, created once at start after this
  // one; the about, metadata and settings commands open them.
  void SetDialogs(TFormOptions* options, TFormMetaData* metaData, TFormAbout* about);
  // Handles a dropped path as a drop from the desktop would.
  void DropPath(const QString& path);
  static bool AcceptsDroppedName(const QString& path);

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

 private:
  void FormCreate();
  void FormShow();
  // Takes colour, categories, crop mode, stretch filter and maximal-frame
  // flag from the settings, and the texts of the chosen language.
  void ApplySettings(int cropStyle);
  void AppOptionsExecute();
  void FileMetadataShowExecute();
  void AppAboutExecute();
  void CreateLayout();
  QWidget* CreateInfoBottom();
  void CreateActions();
  void PanelImageResize();
  void FitPicture();
  void UpdateCommandStates();
  void FlushIptcEdits();
  // Runs one step that reads or writes `file`; an error is shown in a
  // message box naming the file and the reason, and gives false.
  bool Attempt(const QString& file, const std::function<void()>& step);
  QString IptcText(int control) const;
  bool IptcEdited() const;

  QStringList Arguments;
  bool Shown = false;
  TFormOptions* FormOptions = nullptr;
  TFormMetaData* FormMetaData = nullptr;
  TFormAbout* FormAbout = nullptr;
  // The IPTC texts as last loaded from (or written to) the current file, to
  // notice typing that has not been written yet.
  QStringList LoadedIptc;
};

}  // namespace pixaldo
