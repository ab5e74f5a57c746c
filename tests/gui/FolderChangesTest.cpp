// The viewer following changes that other programs make to the folder while
// the user works: a camera import under an open message box, a photo copied
// over the one shown, files coming and going around a crop frame.
#include <QTest>
#include <filesystem>

#include "app/MainForm.h"
#include "file_list/gui/JpegList.h"
#include "photo_view/gui/PhotoImage.h"
#include "support/GuiTestSupport.h"
#include "support/TestSupport.h"

using namespace pixaldo;
using namespace pixaldo::test;

namespace {

QString Q(const fs::path& path) { return PathToQString(path); }

}  // namespace

class FolderChangesTest : public QObject {
  Q_OBJECT

 private slots:
  void FolderChangeUnderAMessageBoxWaitsUntilItCloses() {
    TempDir dir;
    WriteBytes(dir / "a.jpg", MakeJpeg());
    WriteBytes(dir / "b.jpg", "no picture");
    auto form = ShowForm({Q(dir / "a.jpg")});
    TJpegList* list = form->FileList;
    int boxes = 0, listedUnderTheBox = -1;
    SetMessageHandler([&](const UserMessage&) {
      // The import goes on while the box about b.jpg is open; its notices
      // arrive in the box's event loop.
      ++boxes;
      WriteBytes(dir / "c.jpg", MakeJpeg());
      list->DirectoryChanged();
      QTest::qWait(list->SettleMilliseconds * 2);
      listedUnderTheBox = list->FileCount();
      return QMessageBox::Ok;
    });
    list->SelectNext();
    QCOMPARE(boxes, 1);
    QCOMPARE(listedUnderTheBox, 2);
    // Once the box is closed, the list takes the new file in, keeping b.jpg
    // current without showing it (and its error) again.
    QTRY_COMPARE(list->FileCount(), 3);
    QCOMPARE(list->FileNameAt(list->SelectedIndex()), QStringLiteral("b.jpg"));
    QCOMPARE(form->Info->LblFileNo->text(), QStringLiteral("2/3"));
    QCOMPARE(boxes, 1);
    SetMessageHandler({});
  }

  void APhotoCopiedOverTheShownOneIsShownOnceComplete() {
    TempDir dir;
    WriteBytes(dir / "a.jpg", MakeJpeg({.width = 64, .height = 48}));
    MessageRecorder messages;
    auto form = ShowForm({Q(dir / "a.jpg")});
    TJpegList* list = form->FileList;
    // Another program's copy: the file is emptied, the list notices, and
    // only then the new photo is written.
    const std::string copied = MakeJpeg({.width = 320, .height = 240});
    WriteBytes(dir / "a.jpg", "");
    list->DirectoryChanged();
    WriteBytes(dir / "a.jpg", copied);
    QTRY_COMPARE(form->PhotoView->PictureSize(), QSize(320, 240));
    QCOMPARE(messages.Errors(), 0);
    // A file that stays broken is reported once, after a second try.
    WriteBytes(dir / "a.jpg", copied.substr(0, 100));
    QTRY_COMPARE(messages.Errors(), 1);
    QVERIFY(messages.LastText().contains(QStringLiteral("a.jpg")));
    QTest::qWait(list->SettleMilliseconds * 4);
    QCOMPARE(messages.Errors(), 1);
  }

  void TheCropFrameStaysWhileOtherFilesComeAndGo() {
    if (!HaveProgram("jpegtran")) QSKIP("a crop frame needs jpegtran");
    TempDir dir;
    for (const char* name : {"a.jpg", "b.jpg"}) WriteBytes(dir / name, MakeJpeg({.width = 640, .height = 480}));
    auto form = ShowForm({Q(dir / "b.jpg")});
    DrawCropFrame(*form);
    const QString frame = form->PhotoView->CropGeometry();
    QVERIFY(!form->PhotoView->CropState().Crop().Empty());
    WriteBytes(dir / "c.jpg", MakeJpeg());
    QTRY_COMPARE(form->Info->LblFileNo->text(), QStringLiteral("2/3"));
    fs::remove(dir / "a.jpg");
    QTRY_COMPARE(form->Info->LblFileNo->text(), QStringLiteral("1/2"));
    QCOMPARE(form->PhotoView->CropGeometry(), frame);
    QVERIFY(!form->Info->LblCrop->text().isEmpty());
    QVERIFY(form->Action("JpgCrop")->isEnabled());
  }
};

QTEST_MAIN(FolderChangesTest)
#include "FolderChangesTest.moc"
