// The photo view widget: the fit into its panel, the crop frame drawn with
// the mouse, and what it paints.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QTest>
#include <QWheelEvent>

#include "photo_view/gui/PhotoImage.h"
#include "photo_view/gui/ReadAhead.h"
#include "platform/FileError.h"
#include "support/GuiTestSupport.h"
#include "support/TestSupport.h"

using namespace pixaldo;
using namespace pixaldo::test;

namespace {

QString Q(const fs::path& path) { return QString::fromStdString(path.string()); }

void SendMouse(QWidget* widget, QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
  const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
  QMouseEvent event(type, QPointF(at), widget->mapToGlobal(QPointF(at)), button, buttons, Qt::NoModifier);
  QApplication::sendEvent(widget, &event);
}

void SendWheel(QWidget* widget, QPoint at, int delta, Qt::KeyboardModifiers modifiers) {
  QWheelEvent event(QPointF(at), widget->mapToGlobal(QPointF(at)), {}, {0, delta}, Qt::NoButton, modifiers,
                    Qt::NoScrollPhase, false);
  QApplication::sendEvent(widget, &event);
}

void SendButton(QWidget* widget, QEvent::Type type, QPoint at, Qt::MouseButton button) {
  const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
  QMouseEvent event(type, QPointF(at), widget->mapToGlobal(QPointF(at)), button, buttons, Qt::NoModifier);
  QApplication::sendEvent(widget, &event);
}

struct View {
  QWidget panel;
  QLabel cropLabel, dimensionLabel, zoomLabel;
  QAction cropAction{nullptr};
  TPhotoImage* image;
  View(int width, int height) {
    panel.resize(width, height);
    image = new TPhotoImage(&panel, &cropLabel, &cropAction);
    panel.show();
  }
};

}  // namespace

class PhotoImageTest : public QObject {
  Q_OBJECT

 private slots:
  void FitsALargePictureIntoTheSquareBox() {
    TempDir dir;
    WriteBytes(dir / "big.jpg", MakeJpeg({.width = 3000, .height = 2000}));
    View view(1004, 704);
    view.image->LoadPicture(Q(dir / "big.jpg"), &view.dimensionLabel);
    view.image->FitAndShow(true, true, &view.zoomLabel);
    QCOMPARE(view.dimensionLabel.text(), QStringLiteral("3000×2000"));
    QCOMPARE(view.image->geometry(), QRect(152, 119, 700, 466));
    QCOMPARE(view.zoomLabel.text(), QStringLiteral("23%"));
    QCOMPARE(view.image->Display().size(), QSize(700, 466));
    QVERIFY(view.image->isVisible() && view.image->isEnabled());
    // Without the transform program no frame can be drawn; zoom and pan still work.
    view.image->FitAndShow(true, false, &view.zoomLabel);
    QVERIFY(!view.image->CropAllowed() && view.image->isEnabled());
    // Forgetting the picture hides the view and empties the labels.
    view.image->LoadPicture(QString(), &view.dimensionLabel);
    view.image->FitAndShow(true, true, &view.zoomLabel);
    QVERIFY(view.dimensionLabel.text().isEmpty() && view.zoomLabel.text().isEmpty());
    QVERIFY(!view.image->isVisible());
  }

  void GrowingPanelDecodesEnoughPixels() {
    TempDir dir;
    WriteBytes(dir / "big.jpg", MakeJpeg({.width = 2400, .height = 1600}));
    View view(304, 204);
    view.image->LoadPicture(Q(dir / "big.jpg"), &view.dimensionLabel);
    view.image->FitAndShow(false, true, &view.zoomLabel);
    QCOMPARE(view.image->width(), 300);
    view.panel.resize(2404, 1604);
    view.image->FitAndShow(false, true, &view.zoomLabel);
    QCOMPARE(view.image->size(), QSize(2400, 1600));
    QCOMPARE(view.zoomLabel.text(), QStringLiteral("100%"));
  }

  void UndecodableFileLeavesNoPicture() {
    TempDir dir;
    WriteBytes(dir / "bad.jpg", "not a picture at all");
    View view(400, 300);
    bool thrown = false;
    try {
      view.image->LoadPicture(Q(dir / "bad.jpg"), &view.dimensionLabel);
    } catch (const FileError& error) {
      thrown = true;
      QVERIFY(QString::fromStdString(error.path().string()).contains(QStringLiteral("bad.jpg")));
    }
    QVERIFY(thrown);
    QVERIFY(view.image->FileName().isEmpty());
    view.image->FitAndShow(true, true, &view.zoomLabel);
    QVERIFY(!view.image->isVisible());
  }

  void CropFrameDrawnWithTheMouse() {
    TempDir dir;
    WriteBytes(dir / "small.jpg", MakeJpeg({.width = 640, .height = 480}));
    View view(900, 700);
    view.image->LoadPicture(Q(dir / "small.jpg"), &view.dimensionLabel);
    view.image->SetBlockSize(16, 16);
    view.image->FitAndShow(true, true, &view.zoomLabel);
    QCOMPARE(view.zoomLabel.text(), QStringLiteral("100%"));
    QVERIFY(!view.cropAction.isEnabled() || view.cropLabel.text().isEmpty());
    const qint64 displayKey = view.image->Display().cacheKey();

    SendMouse(view.image, QEvent::MouseButtonPress, {37, 50}, Qt::LeftButton);
    SendMouse(view.image, QEvent::MouseMove, {120, 90}, Qt::LeftButton);
    SendMouse(view.image, QEvent::MouseMove, {250, 131}, Qt::LeftButton);
    SendMouse(view.image, QEvent::MouseButtonRelease, {250, 131}, Qt::NoButton);
    QCOMPARE(view.cropLabel.text(), QStringLiteral("x:32  y:48   208×80"));
    QCOMPARE(view.image->CropGeometry(), QStringLiteral("208x80+32+48"));
    QVERIFY(view.cropAction.isEnabled());
    // The moves recomposed the picture without resampling it.
    QCOMPARE(view.image->Display().cacheKey(), displayKey);

    // What is painted: the picture inside, white frame, darkened outside.
    const QImage composed = view.image->Composed();
    const QImage plain = view.image->Display();
    QCOMPARE(composed.pixel(32, 48), qRgb(255, 255, 255));
    QCOMPARE(composed.pixel(239, 127), qRgb(255, 255, 255));
    QCOMPARE(composed.pixel(100, 80), plain.pixel(100, 80));
    const QColor outside(composed.pixel(400, 300)), original(plain.pixel(400, 300));
    QVERIFY(qAbs(outside.red() - original.red() * 159 / 255) <= 2);
    QVERIFY(qAbs(outside.green() - original.green() * 159 / 255) <= 2);

    // A click off the frame without a drag leaves no frame.
    SendMouse(view.image, QEvent::MouseMove, {500, 400}, Qt::NoButton);
    SendMouse(view.image, QEvent::MouseButtonPress, {500, 400}, Qt::LeftButton);
    SendMouse(view.image, QEvent::MouseButtonRelease, {500, 400}, Qt::NoButton);
    QVERIFY(view.cropLabel.text().isEmpty());
    QVERIFY(!view.cropAction.isEnabled());
    QCOMPARE(view.image->Composed().pixel(400, 300), plain.pixel(400, 300));
  }

  // The mouse and the keys zoom and pan; the frame stays on the picture.
  void ZoomsAndPansByMouseAndKeys() {
    TempDir dir;
    WriteBytes(dir / "big.jpg", MakeJpeg({.width = 3000, .height = 2000}));
    View view(1004, 704);
    view.image->LoadPicture(Q(dir / "big.jpg"), &view.dimensionLabel);
    view.image->SetBlockSize(16, 16);
    view.image->FitAndShow(FitChoice{FitMode::Window}, true, &view.zoomLabel);
    QCOMPARE(view.image->geometry(), QRect(2, 19, 1000, 666));
    SendMouse(view.image, QEvent::MouseButtonPress, {100, 100}, Qt::LeftButton);
    SendMouse(view.image, QEvent::MouseMove, {300, 200}, Qt::LeftButton);
    SendMouse(view.image, QEvent::MouseButtonRelease, {300, 200}, Qt::NoButton);
    const QString frame = view.image->CropGeometry();

    // Ctrl+wheel over the picture: one step in, the point under the pointer kept.
    SendWheel(view.image, {500, 300}, 120, Qt::ControlModifier);
    QCOMPARE(view.zoomLabel.text(), QStringLiteral("35%"));
    QCOMPARE(view.image->geometry(), QRect(0, 0, 1004, 704));  // the whole panel
    QCOMPARE(view.image->Display().size(), QSize(1004, 704));
    QCOMPARE(view.image->CropGeometry(), frame);
    // The wheel pans down, Shift+wheel across; the middle button drags.
    const QRect before = view.image->Shown();
    SendWheel(view.image, {500, 300}, -120, Qt::NoModifier);
    SendWheel(&view.panel, {500, 300}, -120, Qt::ShiftModifier);  // the panel's wheel counts too
    SendButton(view.image, QEvent::MouseButtonPress, {500, 300}, Qt::MiddleButton);
    SendMouse(view.image, QEvent::MouseMove, {480, 290}, Qt::MiddleButton);
    SendButton(view.image, QEvent::MouseButtonRelease, {480, 290}, Qt::MiddleButton);
    QCOMPARE(view.image->CropGeometry(), frame);  // the drag moved the picture, not the frame
    const Rect placed = view.image->CropState().Placed();
    QCOMPARE(view.image->Shown(), before);  // the control still fills the panel ...
    QVERIFY(placed.left < 0 && placed.top < 0);  // ... with the picture moved under it

    // With the focus, Shift+arrow moves the frame by a block.
    view.image->setFocus();
    const int left = view.image->CropState().Crop().left;
    QTest::keyClick(view.image, Qt::Key_Right, Qt::ShiftModifier);
    QCOMPARE(view.image->CropState().Crop().left, left + 16);

    // A double click goes to the fit, another to actual pixels.
    QTest::mouseDClick(view.image, Qt::LeftButton, Qt::NoModifier, QPoint(400, 300));
    QCOMPARE(view.zoomLabel.text(), QStringLiteral("33%"));
    QTest::mouseDClick(view.image, Qt::LeftButton, Qt::NoModifier, QPoint(400, 300));
    QCOMPARE(view.zoomLabel.text(), QStringLiteral("100%"));
    QVERIFY(view.image->Zoomed());
    view.image->FitView();
    QVERIFY(!view.image->Zoomed());
  }

  void FixedFrameLargerThanThePictureBeeps() {
    TempDir dir;
    WriteBytes(dir / "small.jpg", MakeJpeg({.width = 64, .height = 48}));
    View view(400, 300);
    view.image->LoadPicture(Q(dir / "small.jpg"), &view.dimensionLabel);
    view.image->SetCropMode(4, 0, 1, 1, 640, 480);
    view.image->FitAndShow(true, true, &view.zoomLabel);
    SendMouse(view.image, QEvent::MouseButtonPress, {10, 10}, Qt::LeftButton);
    SendMouse(view.image, QEvent::MouseButtonRelease, {10, 10}, Qt::NoButton);
    QCOMPARE(view.image->BeepCount, 1);
    QVERIFY(view.cropLabel.text().isEmpty());
  }

  // What the worker read ahead is shown only while the file is as it was.
  void ShowsAPictureReadAheadOnlyWhileItsFileIsUnchanged() {
    TempDir dir;
    const QString photo = Q(dir / "a.jpg");
    WriteBytes(dir / "a.jpg", MakeJpeg({.width = 64, .height = 48}));
    TReadAhead readAhead;
    View view(200, 200);
    view.image->SetReadAhead(&readAhead);
    view.image->ReadAround({photo});
    readAhead.WaitIdle();
    QVERIFY(readAhead.Holds(photo));
    view.image->LoadPicture(photo, &view.dimensionLabel);
    QVERIFY(!readAhead.Holds(photo));  // taken by the view
    QCOMPARE(view.dimensionLabel.text(), QStringLiteral("64×48"));

    view.image->ReadAround({photo});
    readAhead.WaitIdle();
    WriteBytes(dir / "b.jpg", MakeJpeg({.width = 48, .height = 64}));
    fs::rename(dir / "b.jpg", dir / "a.jpg");
    view.image->LoadPicture(photo, &view.dimensionLabel);
    QCOMPARE(view.dimensionLabel.text(), QStringLiteral("48×64"));
  }
};

QTEST_MAIN(PhotoImageTest)
#include "PhotoImageTest.moc"
