// A phone photo stored sideways with EXIF orientation 6 in the viewer: shown
// upright, turned and cropped as shown, and Rotate by EXIF offered only
// while the orientation is not 1.
#include <QTest>

#include "exif/Orientation.h"
#include "file_list/gui/JpegList.h"
#include "photo_view/JpegDecoder.h"
#include "support/GuiTestSupport.h"
#include "support/OrientedJpeg.h"
#include "support/TestSupport.h"

using namespace pixaldo;
using namespace pixaldo::test;

namespace {

QString Q(const fs::path& path) { return QString::fromStdString(path.string()); }

std::vector<uint8_t> Pixels(const std::string& jpeg) {
  const RgbImage image = JpegDecoder().Decode(jpeg, 100000, 100000, "picture").image;
  return {image.pixels.begin(), image.pixels.end()};
}

// The upright picture: red grows to the right, green downwards.
const std::string& Upright() {
  static const std::string upright = MakeJpeg({.width = 128, .height = 96});
  return upright;
}

struct Photo {
  TempDir scratch;
  TempDir dir;
  fs::path file = dir / "phone.jpg";
  Photo() { WriteBytes(file, MakeOrientedJpeg(Upright(), 6, scratch.path())); }
  std::string UprightThrough(const std::vector<std::string>& switches) const {
    return JpegTranOf(Upright(), switches, scratch.path());
  }
};

MainWindowSettings Overwriting() {
  MainWindowSettings settings = DefaultSettings();
  settings.OverwriteRotaFlip = true;
  settings.OverwriteCropCheckBox = true;
  return settings;
}

}  // namespace

class OrientedPhotoTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    if (!HaveProgram("jpegtran")) QSKIP("jpegtran is not installed");
  }

  void ShownUprightAndTurnedAsShown() {
    Photo photo;
    auto form = ShowForm({Q(photo.file)}, Overwriting());
    QCOMPARE(form->PhotoView->PictureSize(), QSize(128, 96));
    const QImage& shown = form->PhotoView->Display();
    QCOMPARE(shown.size(), QSize(128, 96));
    // The corners as the upright picture has them.
    QVERIFY(qRed(shown.pixel(127, 0)) > 200 && qGreen(shown.pixel(127, 0)) < 60);
    QVERIFY(qRed(shown.pixel(0, 95)) < 60 && qGreen(shown.pixel(0, 95)) > 200);
    QVERIFY(form->Action("JpgRotateByExif")->isEnabled());

    QTest::keyClick(form->FileList, Qt::Key_R, Qt::ControlModifier);
    QVERIFY(WaitForTransform(*form));
    const std::string turned = ReadBytes(photo.file);
    QVERIFY(Pixels(turned) == Pixels(photo.UprightThrough({"-rotate", "90"})));
    QCOMPARE(ReadOrientation(turned), Orientation::Upright);
    QCOMPARE(form->PhotoView->PictureSize(), QSize(96, 128));
    QVERIFY(!form->Action("JpgRotateByExif")->isEnabled());
  }

  void CropOfTheFrameDrawnOnTheUprightPicture() {
    Photo photo;
    auto form = ShowForm({Q(photo.file)}, Overwriting());
    DrawCropFrame(*form);
    const std::string geometry = form->PhotoView->CropGeometry().toStdString();
    QCOMPARE(geometry, std::string("64x48+32+16"));  // the upright 128 × 96 picture's middle, on its block grid
    QTest::keyClick(form->FileList, Qt::Key_C, Qt::ControlModifier);
    QVERIFY(WaitForTransform(*form));
    QVERIFY(Pixels(ReadBytes(photo.file)) == Pixels(photo.UprightThrough({"-crop", geometry})));
  }

  void RotateByExifAndTheStoredPixelsWithoutAutoOrientation() {
    Photo photo;
    MainWindowSettings settings = Overwriting();
    settings.AutoOrient = false;
    auto form = ShowForm({Q(photo.file)}, settings);
    QCOMPARE(form->PhotoView->PictureSize(), QSize(96, 128));
    QVERIFY(form->Action("JpgRotateByExif")->isEnabled());
    QTest::keyClick(form->FileList, Qt::Key_E, Qt::ControlModifier);
    QVERIFY(WaitForTransform(*form));
    QVERIFY(Pixels(ReadBytes(photo.file)) == Pixels(Upright()));
    QCOMPARE(form->PhotoView->PictureSize(), QSize(128, 96));
    QVERIFY(!form->Action("JpgRotateByExif")->isEnabled());
  }
};

QTEST_MAIN(OrientedPhotoTest)
#include "OrientedPhotoTest.moc"
