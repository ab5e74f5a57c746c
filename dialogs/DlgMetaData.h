#pragma once
// TFormMetaData: the metadata window of one JPEG file. Seven tabs show the
// EXIF tags (generic and maker-specific), the EXIF thumbnail, the comment, the
// IPTC entries, the table of JPEG segments, the embedded ICC profile and the
// press fields (the "IPTC" page); the buttons delete or import
// the EXIF block, regenerate the thumbnail, write or delete the comment,
// delete the IPTC block, write the press fields and export the file's
// metadata as XML. Every command acts at once and then reloads all tabs from
// the file; each write of the photo goes through KeepUndo, so that the main
// window's Undo can take it back. Errors are shown in a
// message box naming the file and the reason; the window stays open.
//
//   TFormMetaData form;
//   form.OriginalFileDate = [] { return ViewerOptions().Bool("OriginalFileDate"); };
//   form.SetFileName(currentFile);
//   form.exec();
#include <QDialog>
#include <QString>
#include <filesystem>
#include <functional>
#include <vector>

#include "photo_record/SaveMerge.h"

#include "colour/ColourSource.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QTableWidget;

namespace pixaldo {

class LanguageTexts;
class TPressFieldsPage;
class TTags;

class TFormMetaData : public QDialog {
  Q_OBJECT
 public:
  explicit TFormMetaData(QWidget* parent = nullptr);

  void SetFileName(const QString& fileName);
  QString FileName;

  // Whether writes keep the file's modification time (the setting
  // OriginalFileDate); read at each command.
  std::function<bool()> OriginalFileDate = [] { return true; };
  // The interface texts (the program's table by default).
  std::function<const LanguageTexts&()> Texts;
  // Asks for the file to import the EXIF block from; empty for cancel.
  std::function<QString()> AskSourceFile;
  // Opens the exported XML file with the desktop's default handler.
  std::function<void(const QString&)> OpenFile;
  // Settles a comment written here that another program changed too since
  // it was shown (a dialog; tests answer it).
  std::function<void(std::vector<FieldConflict>&)> AskWhichText;
  // The same for the press fields written here.
  std::function<void(std::vector<FieldConflict>&)> AskWhichPressText;
  // Runs a write of the photo (`write` tells whether it changed it) so that
  // it can be undone; by default it only runs it.
  std::function<void(const QString& command, const std::filesystem::path& file, const std::function<bool()>& write)>
      KeepUndo;
  // What the thumbnail is drawn for (the screen's profile, the settings).
  std::function<ColourTarget()> Colour = [] { return ColourTarget::Off(); };

  // Components (design names).
  QTabWidget* InfoPage = nullptr;
  QTableWidget *GridGeneric = nullptr, *GridSpecific = nullptr, *GridThumbnail = nullptr, *GridIPTC = nullptr,
               *GridSegments = nullptr, *GridICC = nullptr;
  QLabel *LblGenericData = nullptr, *LblMakerData = nullptr, *LblThumbData = nullptr, *LblThumbImage = nullptr,
         *Thumbnail = nullptr, *LblComment = nullptr, *LblTagName = nullptr, *LblTagValue = nullptr,
         *LblSegment = nullptr, *LblMarker = nullptr, *LblOffset = nullptr, *LblLength = nullptr;
  QPlainTextEdit* MemoComment = nullptr;
  TPressFieldsPage* PressPage = nullptr;
  QPushButton *BtnLoadExif = nullptr, *BtnDelExif = nullptr, *BtnRestoreThumb = nullptr,
              *BtnWriteComment = nullptr, *BtnDelComment = nullptr, *BtnDelIptc = nullptr, *BtnXML = nullptr,
              *BtnOK = nullptr;

  void FormShow();
  void ApplyToMetadataDialog();
  // Reads the file again into every tab; an unreadable file empties them.
  void Reload();

  void BtnLoadExifClick();
  void BtnDelExifClick();
  void BtnRestoreThumbClick();
  void BtnWriteCommentClick();
  void BtnDelCommentClick();
  void BtnDelIptcClick();
  void BtnWritePressClick();
  void BtnXMLClick();

  // The XML file the export writes for a picture: same name, ".xml".
  static std::filesystem::path XmlFileName(const std::filesystem::path& picture);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QWidget* CreateExifPage();
  QWidget* CreateThumbnailPage();
  QWidget* CreateCommentPage();
  QWidget* CreateIptcPage();
  QWidget* CreateSegmentsPage();
  QWidget* CreateIccPage();
  void ClearAll();
  void FitToTexts();
  std::filesystem::path Path() const;
  // Runs one command on the file (under its lock unless the command takes
  // it itself) as the undoable command named by `button`'s caption (none:
  // the command writes no photo), shows its error if it fails, and reloads.
  // `command` tells whether it wrote.
  void RunCommand(const QPushButton* button, const std::function<bool()>& command, bool locked = true);
  static void ShowInGrid(QTableWidget* grid, const TTags& tags);

  TShownRecord ShownComment;  // the comment as shown, for a save that merges
  TShownRecord ShownPress;    // the press fields as shown
};

}  // namespace pixaldo
