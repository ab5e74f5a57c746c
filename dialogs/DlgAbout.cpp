#include "dialogs/DlgAbout.h"

#include <QDesktopServices>
#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadialGradient>
#include <QUrl>

namespace pixaldo {
namespace {

constexpr const char* kHistoryEnglish =
    "News in version 3.2 (5.12.2004):\n"
    "- Lossless crop to a frame drawn on the picture, snapped to the JPEG block grid.\n"
    "- Crop proportions: free, 3:2, 4:3, your own ratio and a fixed size; landscape or portrait.\n"
    "- The EXIF thumbnail is made again after every rotation, flip and crop.\n"
    "- The file's date can be kept when its metadata or picture is changed.\n"
    "- Metadata of a whole folder exported as an XML or CSV database.\n"
    "\n"
    "Earlier versions:\n"
    "- Metadata window: EXIF, maker notes of eight camera makers, thumbnail, comment,\n"
    "  IPTC and the table of JPEG segments; delete, import and export of the blocks.\n"
    "- IPTC category, title and caption edited beside the picture.\n"
    "- Lossless rotation and flips through jpegtran.\n"
    "- Photos fitted into the window with a choice of five resampling filters.\n"
    "- Presentation mode.\n"
    "- Interface in seven languages.\n";

constexpr const char* kHistoryCzech =
    "Novinky ve verzi 3.2 (5.12.2004):\n"
    "- Bezeztrátový ořez na rámeček nakreslený na obrázku, zarovnaný na mřížku bloků JPEG.\n"
    "- Proporce ořezu: volná, 3:2, 4:3, vlastní poměr a pevná velikost; na šířku i na výšku.\n"
    "- Náhled EXIF se po každém otočení, překlopení a ořezu vytvoří znovu.\n"
    "- Datum souboru lze při změně metadat nebo obrázku zachovat.\n"
    "- Export metadat celé složky do databáze XML nebo CSV.\n"
    "\n"
    "Starší verze:\n"
    "- Okno metadat: EXIF, údaje osmi výrobců fotoaparátů, náhled, komentář,\n"
    "  IPTC a tabulka segmentů JPEG; mazání, import a export bloků.\n"
    "- Kategorie, titulek a popis IPTC upravované vedle obrázku.\n"
    "- Bezeztrátové otočení a překlopení programem jpegtran.\n"
    "- Fotografie přizpůsobené oknu s výběrem z pěti převzorkovacích filtrů.\n"
    "- Režim prezentace.\n"
    "- Rozhraní v sedmi jazycích.\n";

struct Credit {
  const char* text;
};
constexpr Credit kCredits[] = {
    {"Written by the Pixaldo developers."},
    {"EXIF, maker notes and IPTC: Pixaldo's own code."},
    {"Lossless transforms: jpegtran (libjpeg-turbo)."},
    {"Display: Qt 6, libjpeg-turbo, FFmpeg libswscale."},
};

// Links shown as their own targets: the metadata standards the program reads
// and writes, and the libraries it is built on.
QStringList LinkTargets() {
  return {QStringLiteral("https://iptc.org/"),        QStringLiteral("https://www.cipa.jp/e/"),
          QStringLiteral("https://www.ijg.org/"),     QStringLiteral("https://libjpeg-turbo.org/"),
          QStringLiteral("https://www.qt.io/"),       QStringLiteral("https://ffmpeg.org/")};
}

// A 65 × 65 logo: a lens drawn with translucent rings over a soft shadow.
QPixmap Logo() {
  QImage image(65, 65, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0, 0, 0, 50));
  p.drawEllipse(QRectF(6, 8, 56, 56));
  QRadialGradient glass(QPointF(26, 24), 34);
  glass.setColorAt(0, QColor(120, 190, 255, 240));
  glass.setColorAt(1, QColor(20, 50, 120, 240));
  p.setBrush(glass);
  p.drawEllipse(QRectF(3, 3, 56, 56));
  for (int ring = 0; ring < 3; ++ring) {
    p.setPen(QPen(QColor(255, 255, 255, 70 + 40 * ring), 2));
    p.setBrush(Qt::NoBrush);
    qreal inset = 10 + ring * 8;
    p.drawEllipse(QRectF(3 + inset, 3 + inset, 56 - 2 * inset, 56 - 2 * inset));
  }
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 255, 255, 150));
  p.drawEllipse(QRectF(17, 13, 12, 8));
  return QPixmap::fromImage(image);
}

}  // namespace

TFormAbout::TFormAbout(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
  setObjectName("FormAbout");
  setWindowTitle("About");
  setFixedSize(419, 327);
  setMouseTracking(true);
  openLink_ = [](const QString& target) { QDesktopServices::openUrl(QUrl(target)); };

  auto* title = new QLabel("Pixaldo 3.2", this);
  title->setObjectName("LblTitle");
  QFont big = title->font();
  big.setPointSize(18);
  big.setBold(true);
  title->setFont(big);
  title->setGeometry(12, 8, 300, 34);

  auto* logo = new QLabel(this);
  logo->setObjectName("ImageLogo");
  logo->setPixmap(Logo());
  logo->setGeometry(419 - 65 - 10, 8, 65, 65);

  int y = 46;
  for (const Credit& credit : kCredits) {
    auto* label = new QLabel(QString::fromUtf8(credit.text), this);
    label->setGeometry(12, y, 320, 16);
    label->installEventFilter(this);
    creditLabels_.push_back(label);
    y += 17;
  }

  const QStringList links = LinkTargets();
  y += 2;
  for (int i = 0; i < links.size(); ++i) {
    auto* link = new QLabel(links[i], this);
    link->setObjectName(QString("HtmlLabel%1").arg(i + 1));
    link->setStyleSheet("color: blue;");
    link->setCursor(Qt::PointingHandCursor);
    link->setMouseTracking(true);
    link->setGeometry(12 + (i % 2) * 200, y + (i / 2) * 17, 196, 16);
    link->installEventFilter(this);
    HtmlLabels.push_back(link);
  }
  y += 3 * 17 + 6;

  MemoEN = new QPlainTextEdit(QString::fromUtf8(kHistoryEnglish), this);
  MemoCZ = new QPlainTextEdit(QString::fromUtf8(kHistoryCzech), this);
  for (auto* memo : {MemoEN, MemoCZ}) {
    memo->setReadOnly(true);
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    memo->setGeometry(12, y, 395, 327 - y - 42);
  }
  MemoEN->setObjectName("MemoEN");
  MemoCZ->setObjectName("MemoCZ");

  auto* ok = new QPushButton("OK", this);
  ok->setObjectName("BtnOK");
  ok->setGeometry(419 / 2 - 40, 327 - 34, 80, 26);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

void TFormAbout::FormShow() {
  bool czech = languageIndex_ && languageIndex_() == 1;
  MemoCZ->setVisible(czech);
  MemoEN->setVisible(!czech);
}

void TFormAbout::HtmlLabelClick(QLabel* label) {
  if (openLink_) openLink_(label->text());
}

void TFormAbout::SetUnderline(QLabel* label, bool underline) {
  QFont font = label->font();
  font.setUnderline(underline);
  label->setFont(font);
}

void TFormAbout::HtmlLabelMouseMove(QLabel* label) { SetUnderline(label, true); }

void TFormAbout::FormMouseMove() {
  for (QLabel* label : HtmlLabels) SetUnderline(label, false);
}

void TFormAbout::showEvent(QShowEvent* event) {
  FormShow();
  QDialog::showEvent(event);
}

void TFormAbout::mouseMoveEvent(QMouseEvent* event) {
  FormMouseMove();
  QDialog::mouseMoveEvent(event);
}

bool TFormAbout::eventFilter(QObject* watched, QEvent* event) {
  auto* label = qobject_cast<QLabel*>(watched);
  bool isLink = label && std::find(HtmlLabels.begin(), HtmlLabels.end(), label) != HtmlLabels.end();
  // Link events stop here: passed on, the dialog would take the move as one
  // over its background and clear the underline again.
  if (isLink && event->type() == QEvent::MouseMove) {
    HtmlLabelMouseMove(label);
    return true;
  }
  if (isLink && event->type() == QEvent::MouseButtonRelease) {
    HtmlLabelClick(label);
    return true;
  }
  if (!isLink && label && event->type() == QEvent::MouseButtonPress) FormMouseMove();
  return QDialog::eventFilter(watched, event);
}

}  // namespace pixaldo
