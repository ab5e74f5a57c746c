#include "app/InfoPane.h"

#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QTimer>
#include <QVBoxLayout>
#include <array>

#include "app/BatchRun.h"
#include "app/ElidedTips.h"
#include "dialogs/DlgTextConflict.h"
#include "app/KeywordCompletion.h"
#include "app/MainForm.h"
#include "app/RatingStars.h"
#include "app/SelectionCommands.h"
#include "app/SelectionFields.h"
#include "file_list/gui/JpegList.h"
#include "photo_record/JpegBasicObject.h"
#include "platform/FileSystem.h"
#include "platform/LocaleFormats.h"
#include "platform/gui/UserMessages.h"
#include "settings/gui/DlgOptions.h"

namespace pixaldo {
namespace {

constexpr int kFirstGridLabelEntry = 111;
constexpr int kExifRows = 12;
constexpr int kMemoLimit = 2000;

const QString kTimes = QString(QChar(0x00D7));

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromLatin1(name));
  return label;
}

std::vector<std::string> ExifValues(const TMyExifTags& exif) {
  return {exif.CameraMake,  exif.CameraModel,  exif.DateTime,   exif.Dimensions,
          exif.JpegQual,    exif.Flash,        exif.FocalLength, exif.ExposureTime,
          exif.FNumber,     exif.IsoAndBias,   exif.ExposureProgram, exif.MeteringMode};
}

// Keeps the caption within its limit, the caret where it was.
void LimitCaption(QPlainTextEdit* memo) {
  const QString text = memo->toPlainText();
  if (text.size() <= kMemoLimit) return;
  QTextCursor cursor = memo->textCursor();
  const int position = qMin(cursor.position(), kMemoLimit);
  memo->setPlainText(text.left(kMemoLimit));
  cursor = memo->textCursor();
  cursor.setPosition(position);
  memo->setTextCursor(cursor);
}

// A text longer than the field shows its beginning.
void ShowFromStart(QLineEdit* field, const QString& text) {
  field->setText(text);
  field->setCursorPosition(0);
}

}  // namespace

TInfoPane::TInfoPane(TFormMain& form, QWidget* parent)
    : QFrame(parent),
      AskWhichIptcText([this](std::vector<FieldConflict>& conflicts) {
        AskWhichTextToKeep(this, Form.CurrentFile,
                           {Header3->text(), Header4->text(), Header5->text(), HeaderKeywords->text()},
                           &QString::fromStdString, conflicts);
      }),
      Form(form) {
  setObjectName(QStringLiteral("PanelInfoBottom"));
  setFixedHeight(520);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 2, 6, 4);
  layout->setSpacing(2);
  CreateFileData(layout);
  CreateFields(layout);
  CreateExifGrid(layout);
  CreateRatingActions();
  Completion = new TKeywordCompletion(EditKeywords, this);
  Several = new TSelectionFields(Form, *this);
}

TInfoPane::~TInfoPane() = default;

void TInfoPane::CreateFileData(QLayout* layout) {
  auto* counterRow = new QHBoxLayout;
  Header2 = MakeLabel(this, "Header2", QStringLiteral("&Soubor"));
  LblFileNo = MakeLabel(this, "LblFileNo", QStringLiteral("-/-"));
  LblFileNo->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  counterRow->addWidget(Header2);
  counterRow->addWidget(LblFileNo, 1);
  static_cast<QVBoxLayout*>(layout)->addLayout(counterRow);

  PanelImgFile = new QFrame(this);
  PanelImgFile->setObjectName(QStringLiteral("PanelImgFile"));
  PanelImgFile->setFrameShape(QFrame::StyledPanel);
  PanelImgFile->setFrameShadow(QFrame::Sunken);
  auto* fileGrid = new QGridLayout(PanelImgFile);
  fileGrid->setContentsMargins(4, 2, 4, 2);
  fileGrid->setVerticalSpacing(1);
  Label21 = MakeLabel(PanelImgFile, "Label21", QStringLiteral("Atributy:"));
  Label22 = MakeLabel(PanelImgFile, "Label22", QStringLiteral("Měřítko:"));
  Label23 = MakeLabel(PanelImgFile, "Label23", QStringLiteral("Rozměr:"));
  Label25 = MakeLabel(PanelImgFile, "Label25", QStringLiteral("Dct blok:"));
  Label24 = MakeLabel(PanelImgFile, "Label24", QStringLiteral("Výřez:"));
  LblFileAttr = MakeLabel(PanelImgFile, "LblFileAttr", QString());
  LblZoom = MakeLabel(PanelImgFile, "LblZoom", QString());
  LblDimension = MakeLabel(PanelImgFile, "LblDimension", QString());
  LblDctInfo = MakeLabel(PanelImgFile, "LblDctInfo", QString());
  LblCrop = MakeLabel(PanelImgFile, "LblCrop", QString());
  const std::array<std::pair<QLabel*, QLabel*>, 5> pairs{{{Label21, LblFileAttr},
                                                          {Label22, LblZoom},
                                                          {Label23, LblDimension},
                                                          {Label25, LblDctInfo},
                                                          {Label24, LblCrop}}};
  for (int row = 0; row < int(pairs.size()); ++row) {
    fileGrid->addWidget(pairs[row].first, row, 0);
    fileGrid->addWidget(pairs[row].second, row, 1);
  }
  fileGrid->setColumnStretch(1, 1);
  layout->addWidget(PanelImgFile);
  // The crop label wraps rather than losing the frame's height.
  LblCrop->setWordWrap(true);
  // The file heading shows its access key like the others but moves no focus.
  PanelImgFile->setFocusPolicy(Qt::NoFocus);
  Header2->setBuddy(PanelImgFile);
}

void TInfoPane::CreateFields(QLayout* layout) {
  Header3 = MakeLabel(this, "Header3", QStringLiteral("Ka&tegorie"));
  CBox1 = new QComboBox(this);
  CBox1->setObjectName(QStringLiteral("CBox1"));
  CBox1->setEditable(true);
  CBox1->setInsertPolicy(QComboBox::NoInsert);
  Header4 = MakeLabel(this, "Header4", QStringLiteral("&Název"));
  Edit2 = new QLineEdit(this);
  Edit2->setObjectName(QStringLiteral("Edit2"));
  Edit2->setMaxLength(256);
  Header5 = MakeLabel(this, "Header5", QStringLiteral("&Popis"));
  Memo3 = new QPlainTextEdit(this);
  Memo3->setObjectName(QStringLiteral("Memo3"));
  Memo3->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo3->setTabChangesFocus(true);
  Memo3->setMinimumHeight(40);
  connect(Memo3, &QPlainTextEdit::textChanged, this, [this] { LimitCaption(Memo3); });
  HeaderKeywords = MakeLabel(this, "HeaderKeywords", QStringLiteral("&Keywords"));
  EditKeywords = new QLineEdit(this);
  EditKeywords->setObjectName(QStringLiteral("EditKeywords"));
  Stars = new TRatingStars(this);
  Stars->setObjectName(QStringLiteral("RatingStars"));
  connect(Stars, &TRatingStars::Clicked, this, &TInfoPane::SetRating);
  Header3->setBuddy(CBox1);
  Header4->setBuddy(Edit2);
  Header5->setBuddy(Memo3);
  HeaderKeywords->setBuddy(EditKeywords);
  for (int field = 0; field < kIptcFieldCount; ++field) {
    IptcControl(field)->setEnabled(false);
    IptcControl(field)->installEventFilter(this);
  }
  Stars->setEnabled(false);
  auto* vertical = static_cast<QVBoxLayout*>(layout);
  for (QWidget* widget : {static_cast<QWidget*>(Header3), static_cast<QWidget*>(CBox1), static_cast<QWidget*>(Header4),
                          static_cast<QWidget*>(Edit2), static_cast<QWidget*>(Header5)})
    vertical->addWidget(widget);
  vertical->addWidget(Memo3, 1);
  // The stars share the keywords' heading row, at its right end.
  auto* keywordsRow = new QHBoxLayout;
  keywordsRow->addWidget(HeaderKeywords, 1);
  keywordsRow->addWidget(Stars);
  vertical->addLayout(keywordsRow);
  vertical->addWidget(EditKeywords);
}

void TInfoPane::CreateExifGrid(QLayout* layout) {
  Header6 = MakeLabel(this, "Header6", QStringLiteral("EXIF"));
  GridExif = new QTableWidget(kExifRows, 2, this);
  GridExif->setObjectName(QStringLiteral("GridExif"));
  GridExif->horizontalHeader()->hide();
  GridExif->verticalHeader()->hide();
  GridExif->verticalHeader()->setMinimumSectionSize(16);
  GridExif->verticalHeader()->setDefaultSectionSize(16);
  GridExif->setColumnWidth(0, 55);
  GridExif->setColumnWidth(1, 300);
  GridExif->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  GridExif->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  GridExif->setEditTriggers(QAbstractItemView::NoEditTriggers);
  GridExif->setSelectionMode(QAbstractItemView::NoSelection);
  GridExif->setFocusPolicy(Qt::NoFocus);
  GridExif->setAttribute(Qt::WA_TransparentForMouseEvents);
  GridExif->setFixedHeight(kExifRows * 16 + 2);
  for (int row = 0; row < kExifRows; ++row)
    for (int column = 0; column < 2; ++column) GridExif->setItem(row, column, new QTableWidgetItem);
  layout->addWidget(Header6);
  layout->addWidget(GridExif);
  // Texts cut off by the panel's width show whole in their tool tips.
  new TElidedTips(this, GridExif);
}

void TInfoPane::CreateRatingActions() {
  for (int stars = 0; stars <= TRatingStars::kMost; ++stars) {
    auto* action = new QAction(&Form);
    action->setObjectName(QStringLiteral("InfoRating%1").arg(stars));
    // With Shift too, for keyboards whose digits need it (Czech, French).
    const Qt::Key digit = Qt::Key(Qt::Key_0 + stars);
    action->setShortcuts({QKeySequence(Qt::ALT | digit), QKeySequence(Qt::ALT | Qt::SHIFT | digit)});
    action->setShortcutContext(Qt::WindowShortcut);
    action->setEnabled(false);
    connect(action, &QAction::triggered, this, [this, stars] { SetRating(stars); });
    Form.addAction(action);
    RatingActions << action;
  }
}

void TInfoPane::ApplyTexts(const std::function<QString(int)>& text) {
  // The label column is 55 pixels wide, or wider when a label needs it.
  int labelWidth = 55;
  for (int row = 0; row < kExifRows; ++row) {
    const QString label = text(kFirstGridLabelEntry + row) + QLatin1Char(':');
    GridExif->item(row, 0)->setText(label);
    labelWidth = qMax(labelWidth, GridExif->fontMetrics().horizontalAdvance(label) + 8);
  }
  GridExif->setColumnWidth(0, labelWidth);
  HeaderKeywords->setText(ProgramText(180, "&Keywords"));
  Stars->setAccessibleName(ProgramText(181, "Rating"));
  Stars->setToolTip(ProgramText(182, "Click a star to rate the photo, the same star again to clear it (Alt+0 to Alt+5)"));
  Several->ApplyTexts();
}

void TInfoPane::SetCategories(const QStringList& categories) {
  // The drop-down list is refilled; what stands in the field stays.
  const QString typed = CBox1->currentText();
  CBox1->clear();
  CBox1->addItems(categories);
  CBox1->setCurrentIndex(-1);
  CBox1->setEditText(typed);
}

void TInfoPane::ShowFileLabels(int index, int count) {
  std::error_code error;
  const auto size = std::filesystem::file_size(QStringToPath(Form.CurrentFile), error);
  if (Form.CurrentFile.isEmpty() || error) {
    LblFileNo->clear();
    LblFileAttr->clear();
    return;
  }
  LblFileNo->setText(QStringLiteral("%1/%2").arg(index + 1).arg(count));
  const auto date = GetFileDate(QStringToPath(Form.CurrentFile));
  const QString day = date ? QString::fromStdString(FormatShortDate(ToTimeT(*date))) : QString();
  LblFileAttr->setText(QStringLiteral("%1 kB; %2").arg(size / 1024).arg(day));
}

void TInfoPane::ShowDctBlock(int horizontal, int vertical) {
  if (horizontal == 0 || vertical == 0)
    LblDctInfo->clear();
  else
    LblDctInfo->setText(QString::number(horizontal) + kTimes + QString::number(vertical));
}

void TInfoPane::ShowPhotoRecord(const TMyIptcTags& iptc, const TMyExifTags& exif, const std::filesystem::path& file) {
  ShowIptcFields(iptc, file);
  const std::vector<std::string> values = ExifValues(exif);
  for (int row = 0; row < kExifRows; ++row) GridExif->item(row, 1)->setText(FromCp1250(values[row]));
  if (!file.empty()) Completion->Follow(*Form.FileList);
}

void TInfoPane::ShowIptcFields(const TMyIptcTags& iptc, const std::filesystem::path& file) {
  const IptcTexts texts = IptcRules.Load(iptc, file);
  // Only a field whose text changed is set: the caret stays where it is.
  if (CBox1->currentText() != texts[kIptcCategory]) CBox1->setEditText(texts[kIptcCategory]);
  if (Edit2->text() != texts[kIptcObjectName]) ShowFromStart(Edit2, texts[kIptcObjectName]);
  if (Memo3->toPlainText() != texts[kIptcCaption]) Memo3->setPlainText(texts[kIptcCaption]);
  if (EditKeywords->text() != texts[kIptcKeywords]) ShowFromStart(EditKeywords, texts[kIptcKeywords]);
  Stars->SetRating(iptc.Rating);
  // What the controls made of it (length limits, line breaks) counts as loaded.
  IptcRules.Written(ShownIptc());
  Completion->Learn(iptc.Keywords);
}

void TInfoPane::ShowTexts(const TMyIptcTags& iptc) {
  const IptcTexts texts = IptcRules.Load(iptc);
  CBox1->setEditText(texts[kIptcCategory]);
  ShowFromStart(Edit2, texts[kIptcObjectName]);
  Memo3->setPlainText(texts[kIptcCaption]);
  ShowFromStart(EditKeywords, texts[kIptcKeywords]);
  Stars->SetRating(iptc.Rating);
  IptcRules.Written(ShownIptc());
}

IptcTexts TInfoPane::ShownIptc() const {
  return {CBox1->currentText(), Edit2->text(), Memo3->toPlainText(), EditKeywords->text()};
}

QWidget* TInfoPane::IptcControl(int field) const {
  const std::array<QWidget*, kIptcFieldCount> controls{CBox1, Edit2, Memo3, EditKeywords};
  return controls[size_t(field)];
}

bool TInfoPane::FlushIptcEdits() {
  // A file deleted meanwhile takes its unsaved fields with it.
  std::error_code error;
  return Form.CurrentFile.isEmpty() || !std::filesystem::exists(QStringToPath(Form.CurrentFile), error) ||
         IPTCControlsExit();
}

bool TInfoPane::IPTCControlsExit() {
  if (Several->ShowsSeveral()) return Several->WriteEdits();
  const QString current = Form.CurrentFile;
  if (current.isEmpty()) return true;
  const std::filesystem::path file = QStringToPath(current);
  const std::optional<FileTime> date = GetFileDate(file);
  const IptcTexts shown = ShownIptc();
  const TIptcEdits::Outcome outcome = IptcRules.Prepare(shown);
  if (outcome.What == TIptcEdits::Outcome::Nothing) return true;
  if (outcome.What == TIptcEdits::Outcome::Unstorable) {
    if (IptcRules.FirstRefusal(shown)) ShowFileError(this, file, RefusalText(outcome.Field));
    ReturnToRefusedField(outcome.Field);
    return false;
  }
  // A photo deleted through the list takes its unsaved fields with it; one
  // that vanished behind the list's back is reported.
  if (!date && !Form.FileList->Lists(current)) return true;
  // Asked before the photo is locked: whether its original fits the undo store.
  const std::optional<UndoStore*> undo = Form.Selection->UndoFor(ProgramText(183, "IPTC fields"), file);
  if (!undo) return false;  // not written: the typed text stays
  Form.Attempt(current, [&] {
    if (!date) throw FileError(file, "the file does not exist");
    // Only the edited fields are written, into what the file holds now; the
    // original is kept for Undo.
    TMyIptcTags written =
        IptcRules.Save(file, shown, outcome, Form.ReadSettings().OriginalFileDate, AskWhichIptcText,
                       [&] { return *undo; });
    written.Rating = Stars->Rating();  // the texts' write leaves it as it is
    ShowIptcFields(written, file);
    Form.FileList->RememberCurrentFile();
    Form.Selection->AdjustStates();
  });
  return true;
}

QString TInfoPane::RefusalText(int field) {
  if (field == kIptcKeywords)
    return ProgramText(184, "The keywords were not written: a keyword may take at most %1 bytes. "
                            "Shorten it, or press Esc to get the stored keywords back.")
        .arg(TKeywords::kMaxBytes);
  return ProgramText(185, "The IPTC text was not written: it is longer than the field can store. "
                          "Correct the text, or press Esc to get the stored text back.");
}

void TInfoPane::ReturnToRefusedField(int field) {
  // After the click or key that wanted to leave has been handled.
  QTimer::singleShot(0, this, [this, field] {
    if (!Several->ShowsSeveral() && Form.FileList->CurrentPath() != Form.CurrentFile)
      Form.FileList->SelectByName(Form.CurrentFile);
    IptcControl(field)->setFocus(Qt::OtherFocusReason);
    IptcRules.RefusalSeen();
  });
}

void TInfoPane::SetRating(int stars) {
  if (Form.CurrentFile.isEmpty() || !FlushIptcEdits()) return;
  if (Several->ShowsSeveral()) {
    Several->SetRating(stars);
    return;
  }
  const QString current = Form.CurrentFile;
  const std::filesystem::path file = QStringToPath(current);
  const bool keepDate = Form.ReadSettings().OriginalFileDate;
  const std::optional<UndoStore*> undo = Form.Selection->UndoFor(Stars->accessibleName(), file);
  if (undo) Form.Attempt(current, [&] { WithUndo(*undo, file, [&] { return WriteRating(file, stars, keepDate); }); });
  Form.FileList->RememberCurrentFile();
  Form.Attempt(current, [this] { Form.RefreshFileInfo(); });
  Form.Selection->AdjustStates();
}

bool TInfoPane::EscapeRevertsField(const QKeyEvent& event) const {
  if (event.key() != Qt::Key_Escape || event.modifiers() != Qt::NoModifier) return false;
  const IptcTexts shown = ShownIptc();
  for (int field = 0; field < kIptcFieldCount; ++field)
    if (IptcControl(field)->hasFocus()) return shown[size_t(field)] != IptcRules.Loaded()[size_t(field)];
  return false;
}

bool TInfoPane::eventFilter(QObject* watched, QEvent* event) {
  int field = -1;
  for (int each = 0; each < kIptcFieldCount; ++each)
    if (watched == IptcControl(each)) field = each;
  if (field < 0) return QFrame::eventFilter(watched, event);
  if (event->type() == QEvent::KeyPress && EscapeRevertsField(*static_cast<QKeyEvent*>(event))) {
    // Esc gives the field back the text the file holds.
    const QString& loaded = IptcRules.Loaded()[size_t(field)];
    if (field == kIptcCategory) CBox1->setEditText(loaded);
    if (field == kIptcObjectName) Edit2->setText(loaded);
    if (field == kIptcCaption) Memo3->setPlainText(loaded);
    if (field == kIptcKeywords) EditKeywords->setText(loaded);
    return true;
  }
  if (event->type() == QEvent::FocusOut) {
    // Opening the combo box's list or another window taking over (a message
    // box, for one) does not leave the control.
    auto* focusEvent = static_cast<QFocusEvent*>(event);
    if (focusEvent->reason() != Qt::PopupFocusReason && focusEvent->reason() != Qt::ActiveWindowFocusReason)
      IPTCControlsExit();
  }
  return QFrame::eventFilter(watched, event);
}

}  // namespace pixaldo
