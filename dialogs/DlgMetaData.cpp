#include "dialogs/DlgMetaData.h"
#include "dialogs/DlgTextConflict.h"
#include "dialogs/PressFieldsPage.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QUrl>
#include <QVBoxLayout>

#include "colour/ColourEngine.h"
#include "exif/ExifData.h"
#include "exif/XmlText.h"
#include "iptc/IptcData.h"
#include "jpeg_structure/JpegObject.h"
#include "platform/CodePage.h"
#include "photo_record/PressEdits.h"
#include "platform/FileError.h"
#include "platform/FileLock.h"
#include "platform/FileSystem.h"
#include "platform/gui/UserMessages.h"
#include "platform/gui/WidgetNames.h"
#include "settings/gui/DlgOptions.h"

namespace pixaldo {
namespace {

constexpr int kThumbnailBox = 160;

// A row of buttons at the right edge of a page.
QHBoxLayout* ButtonRow(std::initializer_list<QWidget*> buttons) {
  auto* row = new QHBoxLayout;
  row->addStretch();
  for (QWidget* button : buttons) row->addWidget(button);
  return row;
}

QTableWidget* Grid(const QString& name, int columns, bool resizable, QWidget* parent) {
  auto* grid = Named(new QTableWidget(1, columns, parent), name);
  grid->verticalHeader()->hide();
  grid->verticalHeader()->setMinimumSectionSize(16);
  grid->verticalHeader()->setDefaultSectionSize(16);
  grid->horizontalHeader()->setMinimumSectionSize(8);
  grid->horizontalHeader()->setDefaultSectionSize(200);
  if (resizable) {
    // A thin header strip without texts: its edges let the columns be resized.
    grid->setHorizontalHeaderLabels(QStringList(columns, QString()));
    grid->horizontalHeader()->setFixedHeight(6);
    grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  } else {
    grid->horizontalHeader()->hide();
  }
  grid->setSelectionBehavior(QAbstractItemView::SelectRows);
  grid->setSelectionMode(QAbstractItemView::SingleSelection);
  grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid->setWordWrap(false);
  return grid;
}

void SetCell(QTableWidget* grid, int row, int column, const QString& text) {
  grid->setItem(row, column, new QTableWidgetItem(text));
}

QImage ToQImage(const RgbImage& image) {
  const QImage view(image.pixels.data(), image.width, image.height, qsizetype(image.Stride()), QImage::Format_RGB888);
  return view.copy();
}

}  // namespace

TFormMetaData::TFormMetaData(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
  setObjectName("FormMetaData");
  setWindowTitle(QStringLiteral("Jpeg file info"));
  Texts = []() -> const LanguageTexts& { return ProgramLanguageTexts(); };
  AskSourceFile = [this] {
    return QFileDialog::getOpenFileName(this, QString(), QFileInfo(FileName).absolutePath(),
                                        QStringLiteral("JPEG Image File (*.jpg *.JPG);;JPEG Image File (*.jpeg *.JPEG)"));
  };
  OpenFile = [](const QString& file) { QDesktopServices::openUrl(QUrl::fromLocalFile(file)); };
  AskWhichText = [this](std::vector<FieldConflict>& conflicts) {
    AskWhichTextToKeep(this, FileName, {QString::fromStdString(Texts().Utf8Or(93, "Comment"))},
                       [](const std::string& bytes) { return QString::fromStdString(CommentText(bytes)); }, conflicts);
  };

  AskWhichPressText = [this](std::vector<FieldConflict>& conflicts) {
    std::vector<QString> names;
    for (const PressFieldRow& row : kPressFields)
      names.push_back(PressPage->Field(row.Field)->property("Label").toString());
    AskWhichTextToKeep(this, FileName, names, [](const std::string& text) { return QString::fromStdString(text); },
                       conflicts);
  };
  KeepUndo = [](const QString&, const std::filesystem::path&, const std::function<bool()>& write) { write(); };

  InfoPage = Named(new QTabWidget(this), "InfoPage");
  InfoPage->addTab(CreateExifPage(), QStringLiteral("EXIF data"));
  InfoPage->addTab(CreateThumbnailPage(), QStringLiteral("EXIF thumbnail"));
  InfoPage->addTab(CreateCommentPage(), QStringLiteral("Comment data"));
  InfoPage->addTab(CreateIptcPage(), QStringLiteral("IPTC data"));
  InfoPage->addTab(CreateSegmentsPage(), QStringLiteral("Metadata sections"));
  InfoPage->addTab(CreateIccPage(), QStringLiteral("ICC profile"));
  PressPage = new TPressFieldsPage(this);
  connect(PressPage, &TPressFieldsPage::WriteRequested, this, [this] { BtnWritePressClick(); });
  InfoPage->addTab(PressPage, QStringLiteral("IPTC"));

  BtnXML = Named(new QPushButton(QStringLiteral("Export to XML"), this), "BtnXML");
  BtnOK = Named(new QPushButton(QStringLiteral("OK"), this), "BtnOK");
  BtnOK->setDefault(true);
  connect(BtnXML, &QPushButton::clicked, this, [this] { BtnXMLClick(); });
  connect(BtnOK, &QPushButton::clicked, this, &QDialog::accept);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(BtnXML);
  buttons->addStretch();
  buttons->addWidget(BtnOK);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(InfoPage);
  layout->addLayout(buttons);
  InfoPage->setUsesScrollButtons(false);
  InfoPage->setElideMode(Qt::ElideNone);
  FitToTexts();
}

void TFormMetaData::FitToTexts() {
  // 481 × 518 unless the captions of the language need more room.
  setFixedSize(QSize(481, 518).expandedTo(layout()->minimumSize()));
}

QWidget* TFormMetaData::CreateExifPage() {
  auto* page = new QWidget;
  LblGenericData = Named(new QLabel(QStringLiteral("Generic data"), page), "LblGenericData");
  GridGeneric = Grid("GridGeneric", 2, true, page);
  LblMakerData = Named(new QLabel(QStringLiteral("Maker Specific Data"), page), "LblMakerData");
  GridSpecific = Grid("GridSpecific", 2, true, page);
  BtnLoadExif = Named(new QPushButton(QStringLiteral("Load from file"), page), "BtnLoadExif");
  BtnDelExif = Named(new QPushButton(QStringLiteral("Delete (with thumbnail)"), page), "BtnDelExif");
  connect(BtnLoadExif, &QPushButton::clicked, this, [this] { BtnLoadExifClick(); });
  connect(BtnDelExif, &QPushButton::clicked, this, [this] { BtnDelExifClick(); });

  auto* layout = new QVBoxLayout(page);
  layout->addWidget(LblGenericData);
  layout->addWidget(GridGeneric, 1);
  layout->addWidget(LblMakerData);
  layout->addWidget(GridSpecific, 1);
  layout->addLayout(ButtonRow({BtnLoadExif, BtnDelExif}));
  return page;
}

QWidget* TFormMetaData::CreateThumbnailPage() {
  auto* page = new QWidget;
  LblThumbData = Named(new QLabel(QStringLiteral("Thumbnail Data"), page), "LblThumbData");
  GridThumbnail = Grid("GridThumbnail", 2, true, page);
  LblThumbImage = Named(new QLabel(QStringLiteral("LblThumbImage"), page), "LblThumbImage");
  Thumbnail = Named(new QLabel(page), "Thumbnail");
  Thumbnail->setFixedSize(kThumbnailBox + 4, kThumbnailBox + 4);
  Thumbnail->setFrameShape(QFrame::Box);
  Thumbnail->setAlignment(Qt::AlignCenter);
  BtnRestoreThumb = Named(new QPushButton(QStringLiteral("Restore"), page), "BtnRestoreThumb");
  connect(BtnRestoreThumb, &QPushButton::clicked, this, [this] { BtnRestoreThumbClick(); });

  auto* bottom = new QHBoxLayout;
  auto* picture = new QVBoxLayout;
  picture->addWidget(LblThumbImage);
  picture->addWidget(Thumbnail);
  bottom->addLayout(picture);
  bottom->addStretch();
  bottom->addWidget(BtnRestoreThumb, 0, Qt::AlignBottom);
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(LblThumbData);
  layout->addWidget(GridThumbnail, 1);
  layout->addLayout(bottom);
  return page;
}

QWidget* TFormMetaData::CreateCommentPage() {
  auto* page = new QWidget;
  LblComment = Named(new QLabel(QStringLiteral("Comment Data"), page), "LblComment");
  MemoComment = Named(new QPlainTextEdit(page), "MemoComment");
  BtnWriteComment = Named(new QPushButton(QStringLiteral("Write"), page), "BtnWriteComment");
  BtnDelComment = Named(new QPushButton(QStringLiteral("Delete"), page), "BtnDelComment");
  connect(BtnWriteComment, &QPushButton::clicked, this, [this] { BtnWriteCommentClick(); });
  connect(BtnDelComment, &QPushButton::clicked, this, [this] { BtnDelCommentClick(); });

  auto* layout = new QVBoxLayout(page);
  layout->addWidget(LblComment);
  layout->addWidget(MemoComment, 1);
  layout->addLayout(ButtonRow({BtnWriteComment, BtnDelComment}));
  return page;
}

QWidget* TFormMetaData::CreateIptcPage() {
  auto* page = new QWidget;
  LblTagName = Named(new QLabel(QStringLiteral("Tag name"), page), "LblTagName");
  LblTagValue = Named(new QLabel(QStringLiteral("Tag value"), page), "LblTagValue");
  GridIPTC = Grid("GridIPTC", 2, false, page);
  BtnDelIptc = Named(new QPushButton(QStringLiteral("Delete"), page), "BtnDelIptc");
  connect(BtnDelIptc, &QPushButton::clicked, this, [this] { BtnDelIptcClick(); });
  LblTagName->setFixedWidth(200);

  auto* labels = new QHBoxLayout;
  labels->addWidget(LblTagName);
  labels->addWidget(LblTagValue, 1);
  auto* layout = new QVBoxLayout(page);
  layout->addLayout(labels);
  layout->addWidget(GridIPTC, 1);
  layout->addLayout(ButtonRow({BtnDelIptc}));
  return page;
}

QWidget* TFormMetaData::CreateSegmentsPage() {
  auto* page = new QWidget;
  LblSegment = Named(new QLabel(QStringLiteral("Segment name"), page), "LblSegment");
  LblMarker = Named(new QLabel(QStringLiteral("Marker"), page), "LblMarker");
  LblOffset = Named(new QLabel(QStringLiteral("Offset"), page), "LblOffset");
  LblLength = Named(new QLabel(QStringLiteral("Length"), page), "LblLength");
  GridSegments = Grid("GridSegments", 4, false, page);
  GridSegments->horizontalHeader()->setDefaultSectionSize(72);
  LblSegment->setFixedWidth(200);
  for (QLabel* label : {LblMarker, LblOffset, LblLength}) label->setFixedWidth(72);

  auto* labels = new QHBoxLayout;
  labels->setSpacing(0);
  labels->addWidget(LblSegment);
  labels->addWidget(LblMarker);
  labels->addWidget(LblOffset);
  labels->addWidget(LblLength);
  labels->addStretch();
  auto* layout = new QVBoxLayout(page);
  layout->addLayout(labels);
  layout->addWidget(GridSegments, 1);
  return page;
}

QWidget* TFormMetaData::CreateIccPage() {
  auto* page = new QWidget;
  GridICC = Grid("GridICC", 2, true, page);
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(GridICC, 1);
  return page;
}

void TFormMetaData::SetFileName(const QString& fileName) { FileName = fileName; }

std::filesystem::path TFormMetaData::Path() const { return QStringToPath(FileName); }

std::filesystem::path TFormMetaData::XmlFileName(const std::filesystem::path& picture) {
  std::filesystem::path xml = picture;
  xml.replace_extension(".xml");
  return xml;
}

void TFormMetaData::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!event->spontaneous()) FormShow();
}

void TFormMetaData::FormShow() {
  ApplyToMetadataDialog();
  GridSegments->setColumnWidth(0, 200);
  InfoPage->setCurrentIndex(0);
  Reload();
}

void TFormMetaData::ApplyToMetadataDialog() {
  ApplyLanguageTexts(this, LanguageWindow::Metadata, Texts());
  PressPage->ApplyTexts();
  InfoPage->setTabText(InfoPage->indexOf(PressPage), QString::fromStdString(Texts().Utf8Or(202, "IPTC")));
  FitToTexts();
}

// ---- reload ---------------------------------------------------------------

void TFormMetaData::ShowInGrid(QTableWidget* grid, const TTags& tags) {
  grid->clearContents();
  grid->setRowCount(tags.RowCount());
  for (size_t i = 0; i < tags.Names.size(); ++i) SetCell(grid, int(i), 0, FromCp1250(tags.Names[i]));
  for (size_t i = 0; i < tags.Values.size(); ++i)
    SetCell(grid, int(i), 1, tags.Utf8 ? QString::fromStdString(tags.Values[i]) : FromCp1250(tags.Values[i]));
}

void TFormMetaData::ClearAll() {
  const TTags none;
  for (QTableWidget* grid : {GridGeneric, GridSpecific, GridThumbnail, GridIPTC, GridICC}) ShowInGrid(grid, none);
  MemoComment->clear();
  ShownComment.Forget();
  PressPage->ShowPhotos({});
  ShownPress.Forget();
  Thumbnail->clear();
  LblThumbImage->clear();
  BtnRestoreThumb->setEnabled(false);
  GridSegments->clearContents();
  GridSegments->setRowCount(1);
}

void TFormMetaData::Reload() {
  ClearAll();
  if (FileName.isEmpty()) return;
  std::unique_ptr<TJpegObject> jpeg;
  try {
    jpeg = std::make_unique<TJpegObject>(Path(), OriginalFileDate());
  } catch (const FileError& error) {
    ShowFileError(this, error);
    return;
  }
  jpeg->FillExifLists();
  ShowInGrid(GridGeneric, jpeg->ExifList);
  ShowInGrid(GridSpecific, jpeg->MakerList);
  ShowInGrid(GridThumbnail, jpeg->ThumbList);
  jpeg->FillIptcList();
  ShowInGrid(GridIPTC, jpeg->IptcList);
  jpeg->ReadComment();
  MemoComment->setPlainText(QString::fromStdString(CommentText(jpeg->Comment)));
  ShownComment.Remember(Path(), {jpeg->Comment});
  try {
    const PressTexts press = TPressEdits::Read(Path());
    PressPage->ShowPhotos({press});
    ShownPress.Remember(Path(), {press.begin(), press.end()});
  } catch (const FileError&) {
    // the other pages show what could be read
  }

  const ColourSource colour = ReadFileColourSource(Path());
  TTags icc;
  for (const auto& [name, value] : IccRows(colour)) icc.Add(name, value);
  icc.Utf8 = true;
  ShowInGrid(GridICC, icc);

  if (std::optional<RgbImage> image = jpeg->GetThumbnailImage(); image && !image->Empty()) {
    // The thumbnail shares the colours of the picture.
    ConvertToScreen(image->pixels.data(), image->pixels.size() / 3, {colour, Colour()});
    LblThumbImage->setText(QString::fromStdString(Texts().Utf8(91)) +
                           QString::fromUtf8(" (%1×%2)").arg(image->width).arg(image->height));
    QPixmap pixmap = QPixmap::fromImage(ToQImage(*image));
    if (pixmap.width() > kThumbnailBox || pixmap.height() > kThumbnailBox)
      pixmap = pixmap.scaled(kThumbnailBox, kThumbnailBox, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    Thumbnail->setPixmap(pixmap);
    BtnRestoreThumb->setEnabled(true);
  }

  GridSegments->setRowCount(jpeg->SegmentCount() + 1);
  for (int i = 1; i <= jpeg->SegmentCount(); ++i) {
    const TJpegSegment& segment = jpeg->Segment(i);
    const int row = i - 1;
    SetCell(GridSegments, row, 0, FromCp1250(segment.Name));
    SetCell(GridSegments, row, 1, QString::fromStdString(segment.MarkerHex));
    SetCell(GridSegments, row, 2, QStringLiteral("%1 B").arg(segment.Offset));
    SetCell(GridSegments, row, 3, QStringLiteral("%1 B").arg(segment.Size));
  }
}

// ---- commands -------------------------------------------------------------

void TFormMetaData::RunCommand(const QPushButton* button, const std::function<bool()>& command, bool locked) {
  if (FileName.isEmpty()) return;
  try {
    // Each command reads the photo again and writes it: no other writer may
    // come between.
    std::optional<PhotoLock> lock;
    if (locked) lock.emplace(Path());
    if (button)  // named as the page and its button say: "Comment: Delete"
      KeepUndo(QString(InfoPage->tabText(InfoPage->currentIndex()) + QStringLiteral(": ") + button->text())
                   .remove(QLatin1Char('&')),
               Path(), command);
    else
      command();  // writes no photo
  } catch (const FileError& error) {
    ShowFileError(this, error);
  } catch (const std::exception& error) {
    ShowFileError(this, Path(), QString::fromUtf8(error.what()));
  }
  Reload();
}

void TFormMetaData::BtnLoadExifClick() {
  const QString source = AskSourceFile ? AskSourceFile() : QString();
  if (source.isEmpty()) return;
  RunCommand(BtnLoadExif, [&] { return TJpegObject(Path(), OriginalFileDate()).ImportExif(QStringToPath(source)); });
}

void TFormMetaData::BtnDelExifClick() {
  RunCommand(BtnDelExif, [&] { return TJpegObject(Path(), OriginalFileDate()).DeleteExif(); });
}

void TFormMetaData::BtnRestoreThumbClick() {
  RunCommand(BtnRestoreThumb, [&] { return TJpegObject(Path(), OriginalFileDate()).RestoreThumbnail(); });
}

// A save of the fields shown by `shown` that merges with what another
// program wrote since; `read` and `write` are the photo's fields.
namespace {
bool SaveMerged(const TShownRecord& shown, const std::filesystem::path& path, bool keepDate,
                const std::vector<std::optional<std::string>>& edits, const std::function<TShownRecord::FieldTexts()>& read,
                const std::function<void(const TShownRecord::FieldTexts&)>& write,
                const std::function<void(std::vector<FieldConflict>&)>& ask) {
  bool written = false;
  shown.Save(path, keepDate, edits, read,
             [&](const TShownRecord::FieldTexts& fields) {
               write(fields);
               written = true;
             },
             ask);
  return written;
}
}  // namespace

void TFormMetaData::BtnWriteCommentClick() {
  if (FileName.isEmpty()) return;
  // Any language: written in UTF-8 unless it is plain ASCII (or the setting
  // for older programs asks for Windows-1250 and the text fits it).
  const std::string bytes = CommentBytes(MemoComment->toPlainText().toStdString());
  // Written into the comment the file holds now, unless another program
  // changed that too and the user keeps its text; the same text as shown
  // is no edit.
  const std::optional<std::string> edit =
      ShownComment.Fields().empty() || bytes != ShownComment.Fields()[0] ? std::optional(bytes) : std::nullopt;
  RunCommand(
      BtnWriteComment,
      [&] {
        const std::filesystem::path path = Path();
        std::optional<TJpegObject> jpeg;
        return SaveMerged(
            ShownComment, path, OriginalFileDate(), {edit},
            [&] {
              jpeg.emplace(path, OriginalFileDate());
              jpeg->ReadComment();
              return TShownRecord::FieldTexts{jpeg->Comment};
            },
            [&](const TShownRecord::FieldTexts& fields) {
              jpeg->ImgData->ReadFile(path);  // false only tells that the file has no metadata yet
              jpeg->ImgData->SetComment(fields[0]);
              jpeg->ImgData->SaveAs(path);
            },
            AskWhichText);
      },
      false);
}

void TFormMetaData::BtnWritePressClick() {
  if (FileName.isEmpty() || !PressPage->AnyEdited()) return;
  // A text too long is refused before anything is written, the field and
  // its limit named; the text stays for the user to shorten.
  if (const QString problem = PressPage->Problem(); !problem.isEmpty()) {
    ShowFileError(this, Path(), problem);
    return;
  }
  const PressEdits typed = PressPage->Edited();
  const std::vector<std::optional<std::string>> edits(typed.begin(), typed.end());
  RunCommand(
      PressPage->WriteButton(),
      [&] {
        const std::filesystem::path path = Path();
        return SaveMerged(
            ShownPress, path, OriginalFileDate(), edits,
            [&] {
              const PressTexts now = TPressEdits::Read(path);
              return TShownRecord::FieldTexts(now.begin(), now.end());
            },
            [&](const TShownRecord::FieldTexts& fields) {
              PressEdits merged;
              for (size_t i = 0; i < kPressFieldCount; ++i) merged[i] = fields[i];
              TPressEdits::Write(path, merged);
            },
            AskWhichPressText);
      },
      false);
}

void TFormMetaData::BtnDelCommentClick() {
  RunCommand(BtnDelComment, [&] { return TJpegObject(Path(), OriginalFileDate()).DeleteComment(); });
}

void TFormMetaData::BtnDelIptcClick() {
  RunCommand(BtnDelIptc, [&] { return TJpegObject(Path(), OriginalFileDate()).DeleteIptc(); });
}

void TFormMetaData::BtnXMLClick() {
  RunCommand(nullptr, [&] {
    const std::filesystem::path path = Path();
    TJpegObject jpeg(path, false);
    TimgData& data = *jpeg.ImgData;
    if (data.HasIptc() && data.IptcInfo) data.IptcInfo->ParseContainerSegment();
    const std::optional<std::vector<std::string>> lines = data.AsXmlDocument();
    if (!lines) throw FileError(path, "the file no longer exists");
    std::string text = std::string(kXmlDeclaration) + "\r\n";
    for (const std::string& line : *lines) text += line + "\r\n";
    const std::filesystem::path xml = XmlFileName(path);
    WriteFileAtomic(xml, text);
    if (OpenFile) OpenFile(PathToQString(xml));
    return false;
  });
}

}  // namespace pixaldo
