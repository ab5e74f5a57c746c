// The main window: start locations, the info panel of a camera photo,
// navigation with the stop sign, dropped paths, the reload request and the
// IPTC fields written when the user leaves them.
#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QTimer>
#include <QTest>
#include <filesystem>
#include <thread>

#include "app/MainForm.h"
#include "file_list/gui/JpegList.h"
#include "photo_record/JpegBasicObject.h"
#include "photo_view/gui/PhotoImage.h"
#include "platform/Cp1250.h"
#include "platform/FileSystem.h"
#include "platform/LocaleFormats.h"
#include "support/GuiTestSupport.h"
#include "support/TestSupport.h"

using namespace pixaldo;
using namespace pixaldo::test;

namespace {

QString Q(const fs::path& path) { return QString::fromStdString(path.string()); }

TMyIptcTags ReadIptc(const fs::path& file) {
  TJpegBasicObject record(file);
  record.ReadTags();
  return record.IptcFields;
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void StartsWithFolder() {
    PIXALDO_QT_NEEDS_SAMPLES();
    TempDir dir;
    dir.Copy("cameras/Canon_40D.jpg", "a.jpg");
    dir.Copy("cameras/Nikon_D70.jpg", "b.jpg");
    auto form = ShowForm({Q(dir.path())});
    QCOMPARE(form->FileList->FileCount(), 2);
    QCOMPARE(form->FileList->SelectedIndex(), 0);
    QCOMPARE(form->CurrentFile, form->FileList->FullPath(form->FileList->FileNameAt(0)));
    QVERIFY(form->PhotoView->isVisible());
    QCOMPARE(form->StopSignCount, 0);
  }

  void StartsWithFile() {
    PIXALDO_QT_NEEDS_SAMPLES();
    TempDir dir;
    dir.Copy("cameras/Canon_40D.jpg", "a.jpg");
    const fs::path second = dir.Copy("cameras/Nikon_D70.jpg", "b.jpg");
    auto form = ShowForm({Q(second)});
    QCOMPARE(form->FileList->FileCount(), 2);
    QCOMPARE(form->FileList->FileNameAt(form->FileList->SelectedIndex()), QStringLiteral("b.jpg"));
    QCOMPARE(QFileInfo(form->CurrentFile).fileName(), QStringLiteral("b.jpg"));
  }

  void StartsWithTextFileShowsNothing() {
    PIXALDO_QT_NEEDS_SAMPLES();
    TempDir dir;
    WriteBytes(dir / "notes.txt", "hello");
    dir.Copy("cameras/Canon_40D.jpg", "a.jpg");
    auto form = ShowForm({Q(dir / "notes.txt")});
    // Neither the text file's folder nor the program's folder is listed.
    QCOMPARE(form->FileList->FileCount(), 0);
    QVERIFY(form->CurrentFile.isEmpty());
    QCOMPARE(form->Info->LblFileNo->text(), QStringLiteral("-/-"));
    QVERIFY(!form->PhotoView->isVisible());
  }

  void EmptyFolderShowsStopSignOnce() {
    TempDir dir;
    auto form = ShowForm({Q(dir.path())});
    QCOMPARE(form->FileList->FileCount(), 0);
    QCOMPARE(form->StopSignCount, 1);
    QCOMPARE(form->Info->LblFileNo->text(), QStringLiteral("-/-"));
    QVERIFY(form->PanelImage->isVisible());
  }

  void InfoPanelOfCameraPhoto() {
    PIXALDO_QT_NEEDS_SAMPLES();
    TempDir dir;
    dir.Copy("cameras/Canon_40D.jpg", "first.jpg");
    const fs::path photo = dir.Copy("photos/canon_hdr_NO.jpg");
    auto form = ShowForm({Q(photo)});
    QCOMPARE(form->Info->LblFileNo->text(), QStringLiteral("%1/2").arg(form->FileList->SelectedIndex() + 1));
    QVERIFY(form->FileList->SelectedIndex() >= 0);
    const auto date = GetFileDate(photo);
    QVERIFY(date);
    // 784371 bytes are 765 whole kB.
    QCOMPARE(form->Info->LblFileAttr->text(),
             QStringLiteral("765 kB; ") + QString::fromStdString(FormatShortDate(ToTimeT(*date))));
    QCOMPARE(form->Info->LblDimension->text(), QStringLiteral("2048×1536"));
    // Panel of the 1000 × 700 window: the zoom follows from the fit of the
    // picture shown upright (EXIF orientation 6: 1536 × 2048).
    const double scale = double(form->PhotoView->height()) / 2048.0;
    QCOMPARE(form->Info->LblZoom->text(), QString::number(qRound(scale * 100)) + QLatin1Char('%'));
    QVERIFY(form->PhotoView->width() <= form->PanelImage->width() - 4);
    // Sampling 2×1 gives 16 × 8 blocks.
    QCOMPARE(form->Info->LblDctInfo->text(), QStringLiteral("16×8"));
    QCOMPARE(form->Info->GridExif->item(0, 1)->text(), QStringLiteral("Canon"));
    QCOMPARE(form->Info->GridExif->item(1, 1)->text(), QStringLiteral("Canon PowerShot SX60 HS"));
    QVERIFY(form->Info->GridExif->item(2, 1)->text().startsWith(QStringLiteral("2015")));
    QVERIFY(form->Info->GridExif->item(3, 1)->text().contains(QStringLiteral("2048 × 1536")));
    QVERIFY(form->Info->GridExif->item(7, 1)->text().contains(QStringLiteral("1/60")));
    QVERIFY(form->Info->GridExif->item(8, 1)->text().contains(QStringLiteral("5")));
    QVERIFY(form->Info->GridExif->item(9, 1)->text().contains(QStringLiteral("800")));
    QVERIFY(form->Info->CBox1->isEnabled() && form->Info->Edit2->isEnabled() && form->Info->Memo3->isEnabled());
  }

  void NavigationStopsAtBothEnds() {
    PIXALDO_QT_NEEDS_SAMPLES();
    TempDir dir;
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) dir.Copy("cameras/Canon_40D.jpg", name);
    auto form = ShowForm({Q(dir.path())});
    TJpegList* list = form->FileList;
    QCOMPARE(list->SelectedIndex(), 0);
    list->SelectPrevious();
    QCOMPARE(form->StopSignCount, 1);
    QCOMPARE(list->SelectedIndex(), 0);
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Right);
    QCOMPARE(list->SelectedIndex(), 1);
    QCOMPARE(form->CurrentFile, list->FullPath(list->FileNameAt(1)));
    QCOMPARE(form->Info->LblFileNo->text(), QStringLiteral("2/3"));
    list->SelectNext();
    QCOMPARE(list->SelectedIndex(), 2);
    QTest::keyClick(list, Qt::Key_Down);
    QCOMPARE(form->StopSignCount, 2);
    QCOMPARE(list->SelectedIndex(), 2);
    list->SelectNext();  // no wrap-around
    QCOMPARE(form->StopSignCount, 3);
    QCOMPARE(list->SelectedIndex(), 2);
    QTest::keyClick(list, Qt::Key_Left);
    QCOMPARE(list->SelectedIndex(), 1);
    // Nothing selected: next takes the first file, previous stops.
    list->clearSelection();
    list->SelectPrevious();
    QCOMPARE(form->StopSignCount, 4);
    list->SelectNext();
    QCOMPARE(list->SelectedIndex(), 0);
  }

  void StopSignHidesThePictureAndStaysResponsive() {
    PIXALDO_QT_NEEDS_SAMPLES();
    TempDir dir;
    dir.Copy("cameras/Canon_40D.jpg", "a.jpg");
    auto form = ShowForm({Q(dir.path())});
    form->StopSignMilliseconds = 300;
    bool hiddenMeanwhile = false;
    QTimer::singleShot(100, form.get(), [&] { hiddenMeanwhile = !form->PanelImage->isVisible(); });
    QElapsedTimer clock;
    clock.start();
    form->ShowStopSign();
    QVERIFY(clock.elapsed() >= 290);
    QVERIFY(hiddenMeanwhile);  // the timer ran during the wait
    QVERIFY(form->PanelImage->isVisible());
  }

  void CropFrameFillsTheCropLabelAndEnablesTheCommand() {
    if (!HaveProgram("jpegtran")) QSKIP("a crop frame needs jpegtran");
    TempDir dir;
    WriteBytes(dir / "small.jpg", MakeJpeg({.width = 640, .height = 480}));
    auto form = ShowForm({Q(dir.path())});
    QVERIFY(form->CropAllowed());
    QCOMPARE(form->Info->LblZoom->text(), QStringLiteral("100%"));
    QCOMPARE(form->Info->LblDctInfo->text(), QStringLiteral("16×16"));
    QVERIFY(!form->Action("JpgCrop")->isEnabled());
    QWidget* view = form->PhotoView;
    auto send = [&](QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
      QMouseEvent event(type, QPointF(at), view->mapToGlobal(QPointF(at)),
                        type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons, Qt::NoModifier);
      QApplication::sendEvent(view, &event);
    };
    send(QEvent::MouseButtonPress, {37, 50}, Qt::LeftButton);
    send(QEvent::MouseMove, {250, 131}, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, {250, 131}, Qt::NoButton);
    QCOMPARE(form->Info->LblCrop->text(), QStringLiteral("x:32  y:48   208×80"));
    QCOMPARE(form->PhotoView->CropGeometry(), QStringLiteral("208x80+32+48"));
    QVERIFY(form->Action("JpgCrop")->isEnabled());
    // Every refit (here a resize of the picture area) removes the frame.
    form->resize(1100, 760);
    QTest::qWait(1);
    QVERIFY(form->Info->LblCrop->text().isEmpty());
    QVERIFY(!form->Action("JpgCrop")->isEnabled());
  }

  void DroppedPaths() {
    PIXALDO_QT_NEEDS_SAMPLES();
    TempDir dir;
    const fs::path plain = dir / "holiday";
    const fs::path dotted = dir / "trip.2024";
    fs::create_directories(plain);
    fs::create_directories(dotted);
    dir.Copy("cameras/Canon_40D.jpg", "holiday/x.jpg");
    dir.Copy("cameras/Canon_40D.jpg", "trip.2024/y.jpg");
    dir.Copy("cameras/Nikon_D70.jpg", "z.JPEG");
    WriteBytes(dir / "readme.txt", "text");
    auto form = ShowForm({Q(dir / "z.JPEG")});
    QCOMPARE(form->FileList->FileCount(), 1);
    form->DropPath(Q(dotted));
    QCOMPARE(QFileInfo(form->CurrentFile).fileName(), QStringLiteral("z.JPEG"));
    form->DropPath(Q(dir / "readme.txt"));
    QCOMPARE(QFileInfo(form->CurrentFile).fileName(), QStringLiteral("z.JPEG"));
    form->DropPath(Q(plain));
    QCOMPARE(QFileInfo(form->CurrentFile).fileName(), QStringLiteral("x.jpg"));
    QCOMPARE(form->FileList->FileCount(), 1);
    form->DropPath(Q(dir / "z.JPEG"));
    QCOMPARE(QFileInfo(form->CurrentFile).fileName(), QStringLiteral("z.JPEG"));
    QVERIFY(TFormMain::AcceptsDroppedName(QStringLiteral("/x/a.jpeg")));
    QVERIFY(!TFormMain::AcceptsDroppedName(QStringLiteral("/x/a.jpe")));
  }

  void ReloadEventShowsTheListsFileAgain() {
    PIXALDO_QT_NEEDS_SAMPLES();
    TempDir dir;
    dir.Copy("cameras/Canon_40D.jpg", "a.jpg");
    auto form = ShowForm({Q(dir.path())});
    const QString shown = form->CurrentFile;
    form->CurrentFile.clear();
    QApplication::sendEvent(form.get(), new QEvent(kReloadEvent));
    QCOMPARE(form->CurrentFile, shown);
  }

  void IptcFieldsWrittenOnLeavingWithDateKept() {
    PIXALDO_QT_NEEDS_SAMPLES();
    TempDir dir;
    const fs::path file = dir.Copy("iptc/iptc-noAPP13.jpg", "a.jpg");
    dir.Copy("cameras/Canon_40D.jpg", "b.jpg");
    const FileTime old = *GetFileDate(file) - std::chrono::hours(48);
    SetFileDate(file, old);
    MessageRecorder messages;
    auto form = ShowForm({Q(file)});
    QVERIFY(form->Info->Edit2->text().isEmpty());
    // Leaving the empty controls writes nothing.
    form->Info->CBox1->setFocus();
    form->Info->Edit2->setFocus();
    QCOMPARE(ReadBytes(file), ReadBytes(TestData("iptc/iptc-noAPP13.jpg")));
    // A typed category is written when the focus leaves the control.
    form->Info->CBox1->setFocus();
    form->Info->CBox1->setEditText(QStringLiteral("Příroda"));
    form->Info->Edit2->setFocus();
    TMyIptcTags stored = ReadIptc(file);
    QCOMPARE(stored.Category, std::string("Příroda"));
    QCOMPARE(stored.ObjectName, std::string());
    QVERIFY(*GetFileDate(file) == old);
    // Title and a caption of two lines.
    form->Info->Edit2->setText(QStringLiteral("Most"));
    form->Info->Memo3->setFocus();
    form->Info->Memo3->setPlainText(QStringLiteral("line one\nline two"));
    form->FileList->setFocus();
    stored = ReadIptc(file);
    QCOMPARE(stored.ObjectName, std::string("Most"));
    QCOMPARE(stored.ImageCaption, std::string("line one\r\nline two"));
    QVERIFY(*GetFileDate(file) == old);
    // Clearing one field removes that dataset only.
    form->Info->Edit2->setFocus();
    form->Info->Edit2->clear();
    form->FileList->setFocus();
    stored = ReadIptc(file);
    QCOMPARE(stored.ObjectName, std::string());
    QCOMPARE(stored.Category, std::string("Příroda"));
    QCOMPARE(messages.Errors(), 0);
    // Shown again, the controls hold what the file holds.
    form->FileList->SelectByName(Q(dir / "b.jpg"));
    QVERIFY(form->Info->CBox1->currentText().isEmpty());
    form->FileList->SelectByName(Q(file));
    QCOMPARE(form->Info->CBox1->currentText(), QStringLiteral("Příroda"));
    QCOMPARE(form->Info->Memo3->toPlainText(), QStringLiteral("line one\nline two"));
  }

  void TypingIsNotLostWhenAnotherFileIsShown() {
    PIXALDO_QT_NEEDS_SAMPLES();
    TempDir dir;
    const fs::path first = dir.Copy("iptc/iptc-noAPP13.jpg", "a.jpg");
    dir.Copy("cameras/Canon_40D.jpg", "b.jpg");
    auto form = ShowForm({Q(first)});
    form->Info->Edit2->setFocus();
    form->Info->Edit2->setText(QStringLiteral("Unsaved title"));
    // The next-file commands do not take the focus from the edit.
    form->Action(form->FileList->SelectedIndex() == 0 ? "FileNext" : "FilePrev")->trigger();
    QCOMPARE(QFileInfo(form->CurrentFile).fileName(), QStringLiteral("b.jpg"));
    QCOMPARE(ReadIptc(first).ObjectName, std::string("Unsaved title"));
    // The edit now belongs to b.jpg, which has no title.
    QVERIFY(form->Info->Edit2->text().isEmpty());
    form->FileList->setFocus();
    QCOMPARE(ReadIptc(dir / "b.jpg").ObjectName, std::string());
  }

  void TypingIsWrittenWhenTheWindowCloses() {
    PIXALDO_QT_NEEDS_SAMPLES();
    TempDir dir;
    const fs::path file = dir.Copy("iptc/iptc-noAPP13.jpg", "a.jpg");
    auto form = ShowForm({Q(file)});
    form->Info->Memo3->setFocus();
    form->Info->Memo3->setPlainText(QStringLiteral("Last words"));
    form->close();
    QCOMPARE(ReadIptc(file).ImageCaption, std::string("Last words"));
  }

  void TextWithoutWindows1250LettersIsStored() {
    PIXALDO_QT_NEEDS_SAMPLES();
    TempDir dir;
    const fs::path file = dir.Copy("iptc/iptc-noAPP13.jpg", "a.jpg");
    MessageRecorder messages;
    auto form = ShowForm({Q(file)});
    form->Info->Edit2->setFocus();
    form->Info->Edit2->setText(QStringLiteral("Tokyo 東京"));
    form->FileList->setFocus();
    QCOMPARE(messages.Errors(), 0);
    QCOMPARE(ReadIptc(file).ObjectName, std::string("Tokyo 東京"));
  }

  void RenamedCurrentFileKeepsTakingItsFields() {
    PIXALDO_QT_NEEDS_SAMPLES();
    TempDir dir;
    dir.Copy("iptc/iptc-noAPP13.jpg", "a.jpg");
    MessageRecorder messages;
    auto form = ShowForm({Q(dir / "a.jpg")});
    TJpegList* list = form->FileList;
    list->FinishRename(list->topLevelItem(list->SelectedIndex()), QStringLiteral("renamed"));
    QVERIFY(fs::exists(dir / "renamed.jpg"));
    form->Info->Edit2->setFocus();
    form->Info->Edit2->setText(QStringLiteral("After the rename"));
    list->setFocus();
    QCOMPARE(messages.Errors(), 0);
    QCOMPARE(ReadIptc(dir / "renamed.jpg").ObjectName, std::string("After the rename"));
  }

  void DeletingWhileTypingNeedsNoWrite() {
    PIXALDO_QT_NEEDS_SAMPLES();
    TempDir dir;
    dir.Copy("cameras/Canon_40D.jpg", "a.jpg");
    dir.Copy("cameras/Canon_40D.jpg", "b.jpg");
    MessageRecorder messages(QMessageBox::Yes);
    fs::create_directories(dir / "trash");
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString((dir / "trash").string()));
    auto form = ShowForm({Q(dir / "a.jpg")});
    form->Info->Edit2->setFocus();
    form->Info->Edit2->setText(QStringLiteral("typed"));
    form->Action("FileDelete")->trigger();
    QCOMPARE(form->FileList->FileCount(), 1);
    QCOMPARE(QFileInfo(form->CurrentFile).fileName(), QStringLiteral("b.jpg"));
    QCOMPARE(messages.Errors(), 0);
    QVERIFY(form->Info->Edit2->text().isEmpty());
  }

  void UndecodablePictureStillRefreshesTheInfoPanel() {
    PIXALDO_QT_NEEDS_SAMPLES();
    TempDir dir;
    dir.Copy("iptc/IPTC.jpg", "a.jpg");
    const std::string jpeg = ReadBytes(TestData("iptc/iptc-noAPP13.jpg"));
    WriteBytes(dir / "b.jpg", jpeg.substr(0, 200));  // headers only, no picture
    MessageRecorder messages;
    auto form = ShowForm({Q(dir / "a.jpg")});
    QVERIFY(!form->Info->CBox1->currentText().isEmpty() || !form->Info->Edit2->text().isEmpty() ||
            !form->Info->Memo3->toPlainText().isEmpty());
    form->FileList->SelectByName(Q(dir / "b.jpg"));
    QCOMPARE(QFileInfo(form->CurrentFile).fileName(), QStringLiteral("b.jpg"));
    QCOMPARE(messages.Errors(), 1);
    QVERIFY(messages.LastText().contains(QStringLiteral("b.jpg")));
    QVERIFY(form->Info->CBox1->currentText().isEmpty());
    QVERIFY(form->Info->Edit2->text().isEmpty());
    QCOMPARE(form->Info->LblFileNo->text(), QStringLiteral("%1/2").arg(form->FileList->SelectedIndex() + 1));
    QVERIFY(form->Info->LblDimension->text().isEmpty());
    QVERIFY(!form->PhotoView->isVisible());
  }

  void DamagedAndHostileFilesAreShownOrReported() {
    PIXALDO_QT_NEEDS_SAMPLES();
    TempDir dir;
    int copied = 0;
    for (const char* folder : {"damaged", "hostile"}) {
      for (const auto& entry : fs::directory_iterator(TestData(folder))) {
        if (!entry.is_regular_file()) continue;
        dir.Copy(std::string(folder) + "/" + entry.path().filename().string(),
                 std::to_string(copied++) + ".jpg");
      }
    }
    MessageRecorder messages;
    auto form = ShowForm({Q(dir.path())});
    TJpegList* list = form->FileList;
    QCOMPARE(list->FileCount(), copied);
    for (int i = 1; i < copied; ++i) list->SelectNext();
    QCOMPARE(list->SelectedIndex(), copied - 1);
    QCOMPARE(form->StopSignCount, 0);
    // Every failure named its file.
    for (const UserMessage& message : messages.messages)
      QVERIFY2(message.text.contains(Q(dir.path())), qPrintable(message.text));
  }

  void FailedIptcWriteIsReported() {
    PIXALDO_QT_NEEDS_SAMPLES();
    TempDir dir;
    const fs::path file = dir.Copy("cameras/Canon_40D.jpg", "a.jpg");
    MessageRecorder messages;
    auto form = ShowForm({Q(file)});
    fs::remove(file);
    form->Info->Edit2->setFocus();
    form->Info->Edit2->setText(QStringLiteral("Title"));
    form->FileList->setFocus();
    QCOMPARE(messages.Errors(), 1);
    QVERIFY(messages.LastText().contains(QStringLiteral("a.jpg")));
    QVERIFY(!fs::exists(file));
  }

  // Another program writes the photo while the user types: its fields
  // stay, and are shown; where it wrote the field the user edited too, the
  // user is asked which text to keep.
  void AnotherProgramsEditIsKeptAndTheSameFieldAsks() {
    TempDir dir;
    const fs::path file = dir / "a.jpg";
    WriteBytes(file, MakeJpeg());
    auto form = ShowForm({Q(file)});
    form->Info->Edit2->setFocus();
    form->Info->Edit2->setText(QStringLiteral("My title"));
    QCOMPARE(RunCli({"set-iptc", file.string(), "--caption", "Their caption", "--category", "Theirs"}).exitCode, 0);
    form->FileList->setFocus();
    TMyIptcTags stored = ReadIptc(file);
    QCOMPARE(stored.ObjectName, std::string("My title"));
    QCOMPARE(stored.ImageCaption, std::string("Their caption"));
    QCOMPARE(stored.Category, std::string("Theirs"));
    QCOMPARE(form->Info->Memo3->toPlainText(), QStringLiteral("Their caption"));
    QCOMPARE(form->Info->CBox1->currentText(), QStringLiteral("Theirs"));

    std::vector<FieldConflict> asked;
    form->Info->AskWhichIptcText = [&](std::vector<FieldConflict>& conflicts) {
      asked = conflicts;
      conflicts[0].KeepEdited = false;
    };
    form->Info->Memo3->setFocus();
    form->Info->Memo3->setPlainText(QStringLiteral("My caption"));
    QCOMPARE(RunCli({"set-iptc", file.string(), "--caption", "Their second caption"}).exitCode, 0);
    form->FileList->setFocus();
    QCOMPARE(asked.size(), size_t(1));
    QCOMPARE(asked[0].Edited, std::string("My caption"));
    QCOMPARE(asked[0].Current, std::string("Their second caption"));
    stored = ReadIptc(file);
    QCOMPARE(stored.ImageCaption, std::string("Their second caption"));
    QCOMPARE(stored.ObjectName, std::string("My title"));
    QCOMPARE(form->Info->Memo3->toPlainText(), QStringLiteral("Their second caption"));

    // A transform writes the typed fields first, by the same rule.
    form->Info->Edit2->setFocus();
    form->Info->Edit2->setText(QStringLiteral("Turned title"));
    QCOMPARE(RunCli({"set-iptc", file.string(), "--caption", "Their third caption"}).exitCode, 0);
    form->Action("JpgRotateLeft")->trigger();
    QVERIFY(WaitForTransform(*form));
    stored = ReadIptc(file);
    QCOMPARE(stored.ObjectName, std::string("Turned title"));
    QCOMPARE(stored.ImageCaption, std::string("Their third caption"));
  }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
