#pragma once
// TInfoPane: the lower part of the main window's info panel. It shows the
// current photo's file data (counter, size and date, zoom, dimensions, DCT
// block, crop frame), its IPTC fields (category, title, caption, keywords),
// its star rating and the EXIF summary, and writes what the user changes:
// a text field when it is left (or before anything else happens to the
// photo), the rating at once. With several photos selected, the fields show
// what they share and a change goes to each of them (see SelectionFields).
// Every control carries its design name as object name.
#include <QAction>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStringList>
#include <QTableWidget>
#include <filesystem>
#include <memory>

#include "app/IptcEdits.h"

class QKeyEvent;

namespace pixaldo {

class TFormMain;
class TRatingStars;
class TKeywordCompletion;
class TSelectionFields;
struct TMyExifTags;

class TInfoPane : public QFrame {
  Q_OBJECT

 public:
  TInfoPane(TFormMain& form, QWidget* parent);
  ~TInfoPane() override;

  // Components (design names).
  QLabel *Header2 = nullptr, *Header3 = nullptr, *Header4 = nullptr, *Header5 = nullptr, *Header6 = nullptr,
         *HeaderKeywords = nullptr;
  QLabel *Label21 = nullptr, *Label22 = nullptr, *Label23 = nullptr, *Label24 = nullptr, *Label25 = nullptr;
  QLabel *LblFileNo = nullptr, *LblFileAttr = nullptr, *LblZoom = nullptr, *LblDimension = nullptr,
         *LblDctInfo = nullptr, *LblCrop = nullptr;
  QFrame* PanelImgFile = nullptr;
  QComboBox* CBox1 = nullptr;
  QLineEdit* Edit2 = nullptr;
  QPlainTextEdit* Memo3 = nullptr;
  QLineEdit* EditKeywords = nullptr;
  TRatingStars* Stars = nullptr;
  QTableWidget* GridExif = nullptr;
  // Alt+0 to Alt+5: the rating of the photo (or of the selected photos).
  QList<QAction*> RatingActions;

  // The texts as last loaded from (or written to) the current file.
  TIptcEdits IptcRules;
  // Settles the fields another program changed too before a save (a dialog).
  TIptcEdits::AskWhichText AskWhichIptcText;
  // The keywords of the folder's photos, offered while typing.
  TKeywordCompletion* Completion = nullptr;
  // The fields of several selected photos.
  TSelectionFields* Several = nullptr;

  // The file labels of the current file; `index` and `count` in the list.
  void ShowFileLabels(int index, int count);
  void ShowDctBlock(int horizontal, int vertical);
  // The IPTC fields, rating and EXIF summary as read from `file` (or none).
  void ShowPhotoRecord(const TMyIptcTags& iptc, const TMyExifTags& exif, const std::filesystem::path& file = {});
  // The fields as the texts `texts` of no single file, for a selection.
  void ShowTexts(const TMyIptcTags& iptc);
  // Writes the edited fields; false when a text cannot be stored, and the
  // user is to correct it.
  bool IPTCControlsExit();
  // The same, except for a file deleted meanwhile, which takes its fields along.
  bool FlushIptcEdits();
  // Sets the rating of the current photo, or of the selected photos.
  void SetRating(int stars);
  // Captions of the grid rows and the pane's own texts, in the chosen language.
  void ApplyTexts(const std::function<QString(int)>& text);
  void SetCategories(const QStringList& categories);
  // Whether Esc in a field gives it back the stored text (the field takes the key).
  bool EscapeRevertsField(const QKeyEvent& event) const;
  IptcTexts ShownIptc() const;
  QWidget* IptcControl(int field) const;
  // Back into the field whose text could not be stored, the current file
  // selected again in the list.
  void ReturnToRefusedField(int field);
  // Why a field's text was not written.
  static QString RefusalText(int field);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CreateFileData(QLayout* layout);
  void CreateFields(QLayout* layout);
  void CreateExifGrid(QLayout* layout);
  void CreateRatingActions();
  void ShowIptcFields(const TMyIptcTags& iptc, const std::filesystem::path& file);

  TFormMain& Form;
};

}  // namespace pixaldo
