// The viewer's pictures in the colours their files declare, offscreen: the
// photo view, a picture from the read-ahead store, the turn in memory after
// a lossless rotation, the metadata window's ICC list, and the settings
// window's colour controls with an Options.ini written before they existed.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QTableWidget>
#include <QtTest>

#include "dialogs/DlgMetaData.h"
#include "photo_view/gui/PhotoImage.h"
#include "photo_view/gui/ReadAhead.h"
#include "platform/gui/UserMessages.h"
#include "settings/SettingsLocation.h"
#include "settings/gui/DlgOptions.h"
#include "support/ColourCharts.h"
#include "support/OrientedJpeg.h"
#include "support/TestSupport.h"

using namespace pixaldo;
using namespace pixaldo::test;

namespace {

constexpr int kWidth = 96;
constexpr int kHeight = 64;

std::vector<uint8_t> Bytes(const QImage& image) {
  std::vector<uint8_t> bytes;
  const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
  for (int y = 0; y < rgb.height(); ++y)
    bytes.insert(bytes.end(), rgb.constScanLine(y), rgb.constScanLine(y) + size_t(rgb.width()) * 3);
  return bytes;
}

// A photo in Adobe RGB with its profile, and what lcms2 makes of it for sRGB.
struct AdobePhoto {
  std::string profile = BuildProfile(ChartProfile::AdobeRgb);
  std::string jpeg = InsertAfterSoi(
      EncodeJpeg(ConvertWithLcms(SrgbChart(kWidth, kHeight), BuildProfile(ChartProfile::Srgb), profile)),
      IccSegments(profile));
  std::vector<uint8_t> Expected(const std::string& file) const {
    return ConvertWithLcms(DecodeStored(file), profile, BuildProfile(ChartProfile::Srgb)).bytes;
  }
};

struct View {
  QWidget panel;
  QLabel cropLabel;
  QAction cropAction{nullptr};
  TPhotoImage* image;
  View() {
    panel.resize(kWidth + 10, kWidth + 10);  // room for the picture either way up
    image = new TPhotoImage(&panel, &cropLabel, &cropAction);
    image->Colour = ColourTarget();
    panel.show();
  }
  std::vector<uint8_t> Show(const fs::path& file) {
    image->LoadPicture(QString::fromStdString(file.string()), nullptr);
    image->FitAndShow(false, false, nullptr);
    return Bytes(image->Display());
  }
};

}  // namespace

class ColourViewTest : public QObject {
  Q_OBJECT

 private slots:
  void MainViewAndReadAheadConvert() {
    TempDir dir;
    const AdobePhoto photo;
    WriteBytes(dir / "a.jpg", photo.jpeg);
    WriteBytes(dir / "b.jpg", photo.jpeg);
    View view;
    TReadAhead readAhead;
    view.image->SetReadAhead(&readAhead);
    QVERIFY(MeanError(view.Show(dir / "a.jpg"), photo.Expected(photo.jpeg)) < 0.01);
    view.image->ReadAround({QString::fromStdString((dir / "b.jpg").string())});
    readAhead.WaitIdle();
    QVERIFY(readAhead.Holds(QString::fromStdString((dir / "b.jpg").string())));
    QVERIFY(MeanError(view.Show(dir / "b.jpg"), photo.Expected(photo.jpeg)) < 0.01);
    // Switched off, the stored values are drawn.
    view.image->Colour = ColourTarget::Off();
    QVERIFY(MeanError(view.Show(dir / "a.jpg"), photo.Expected(photo.jpeg)) > 0.02);
  }

  void TurnInMemoryKeepsTheColours() {
    if (!HaveProgram("jpegtran")) QSKIP("jpegtran is not installed");
    TempDir dir;
    const AdobePhoto photo;
    WriteBytes(dir / "a.jpg", photo.jpeg);
    View view;
    view.Show(dir / "a.jpg");
    view.image->TurnAhead(Orientation::Rotate90);
    const std::string turned = JpegTranOf(photo.jpeg, {"-copy", "all", "-rotate", "90"}, dir.path());
    QVERIFY(!turned.empty());
    WriteBytes(dir / "a.jpg", turned);
    QVERIFY(view.image->TurnPicture(Orientation::Rotate90, FitChoice{FitMode::Width}, false, nullptr, nullptr));
    QVERIFY(MeanError(Bytes(view.image->Display()), photo.Expected(turned)) < 0.01);
  }

  void MetadataWindowListsTheProfile() {
    TempDir dir;
    WriteBytes(dir / "a.jpg", AdobePhoto().jpeg);
    // The second of its chunks (218 bytes each, after SOI) missing.
    WriteBytes(dir / "cut.jpg", InsertAfterSoi(MakeJpeg(), IccSegments(BuildProfile(ChartProfile::AdobeRgb), 200))
                                    .erase(2 + 218, 218));
    TFormMetaData form;
    form.SetFileName(QString::fromStdString((dir / "a.jpg").string()));
    form.Reload();
    QCOMPARE(form.GridICC->item(0, 1)->text(), QStringLiteral("Chart profile"));
    form.SetFileName(QString::fromStdString((dir / "cut.jpg").string()));
    form.Reload();
    const int last = form.GridICC->rowCount() - 1;
    QVERIFY(form.GridICC->item(last, 1)->text().startsWith(QStringLiteral("The profile was not usable")));
  }

  void SettingsFromAnOlderOptionsFile() {
    TempDir dir;
    SetSettingsDirectory(dir.path());
    WriteBytes(dir / "Options.ini", "[Options]\r\nAutoOrient=1\r\n");
    OptionsStore store(OptionsFilePath());
    {
      TFormOptions form(store, SourcePath("settings/Language.ini"));
      QVERIFY(form.ColourCheckBox->isChecked());
      QCOMPARE(form.IntentBox->currentIndex(), 0);
      QVERIFY(form.BpcCheckBox->isChecked());
      form.ColourCheckBox->setChecked(false);
      form.IntentBox->setCurrentIndex(1);
      QVERIFY(!form.IntentBox->isEnabled());
      QVERIFY(form.SaveSettings());
    }
    const std::string written = ReadBytes(dir / "Options.ini");
    SetSettingsDirectory({});
    QVERIFY(written.find("ColourManagement=0") != std::string::npos);
    QVERIFY(written.find("RenderingIntent=1") != std::string::npos);
  }
};

QTEST_MAIN(ColourViewTest)
#include "ColourViewTest.moc"
