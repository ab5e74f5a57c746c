// Commands on several photos: a run cancelled in the middle, the IPTC fields
// of a selection (common values, "(different values)", only the typed field
// written), Undo of a command on the selection, the question when the
// originals do not fit into the undo store, the offer of a store a crash
// left, and the texts of these in Czech.
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>

#include "app/BatchProgress.h"
#include "app/BatchRun.h"
#include "app/MainForm.h"
#include "app/SelectionCommands.h"
#include "file_list/gui/JpegList.h"
#include "photo_record/JpegBasicObject.h"
#include "platform/FileSystem.h"
#include "platform/IniFile.h"
#include "settings/gui/DlgOptions.h"
#include "support/GuiTestSupport.h"
#include "support/TestSupport.h"
#include "undo/UndoStore.h"

using namespace pixaldo;
using namespace pixaldo::test;

namespace {

// Photos a.jpg, b.jpg, c.jpg with one category and a title each.
std::vector<fs::path> MakePhotos(const TempDir& dir) {
  std::vector<fs::path> files;
  for (const char* name : {"a", "b", "c"}) {
    const fs::path file = dir / (std::string(name) + ".jpg");
    WriteBytes(file, MakeJpeg({.width = 64, .height = 48}));
    TJpegBasicObject(file).WriteIptc({"Trip", std::string("Title ") + name, ""});
    SetFileDate(file, *GetFileDate(file) - std::chrono::hours(48));
    files.push_back(file);
  }
  return files;
}

TMyIptcTags IptcOf(const fs::path& file) {
  TJpegBasicObject record(file);
  record.ReadTags();
  return record.IptcFields;
}

bool Asked(const MessageRecorder& messages, const char* words) {
  for (const UserMessage& message : messages.messages)
    if (message.text.contains(QLatin1String(words))) return true;
  return false;
}

void LoadLanguage(int language) { ProgramLanguageTexts().Load(IniFile(SourcePath("settings/Language.ini")), language); }

}  // namespace

class SelectionCommandsTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { ::setenv("XDG_CACHE_HOME", (Cache.path()).c_str(), 1); }

  void CancelStopsAfterTheFileInHandAndUndoPutsTheDoneBack() {
    TempDir dir;
    std::vector<fs::path> files;
    for (int i = 0; i < 6; ++i) {
      files.push_back(dir / ("p" + std::to_string(i) + ".jpg"));
      WriteBytes(files.back(), "photo " + std::to_string(i));
    }
    const Snapshot before = SnapshotOf(files);
    UndoStore store(dir / "undo");
    TBatchRun run(&store);
    run.Workers = 1;
    std::atomic<bool> cancelled{false};
    QObject::connect(&run, &TBatchRun::Progress, &run, [&](int done) {
      if (done == 2) {
        run.Cancel();
        cancelled = true;
      }
    });
    run.Start({"Edit", files, [&](const fs::path& file, UndoStore* undo) {
                 // The third file is in hand when Cancel comes.
                 if (file == files[2]) while (!cancelled) std::this_thread::yield();
                 WithUndo(undo, file, [&] {
                   WriteFileAtomic(file, ReadBytes(file) + " edited");
                   return true;
                 });
               }});
    run.Wait();
    const Snapshot after = SnapshotOf(files);
    for (int i = 0; i < 6; ++i) QCOMPARE(after[i] != before[i], i < 3);
    QVERIFY(store.UndoLast().empty());
    QVERIFY(SnapshotOf(files) == before);
  }

  void SeveralPhotosShowCommonIptcAndTakeOnlyTheTypedField() {
    MessageRecorder messages;
    TempDir dir;
    const std::vector<fs::path> files = MakePhotos(dir);
    const Snapshot before = SnapshotOf(files);
    auto form = ShowForm({QString::fromStdString(files[0].string())});
    form->FileList->selectAll();
    QTRY_VERIFY(form->Selection->ShowsSeveral());
    QCOMPARE(form->Info->CBox1->currentText(), QStringLiteral("Trip"));
    QCOMPARE(form->Info->Edit2->text(), QString());
    QCOMPARE(form->Info->Edit2->placeholderText(), QStringLiteral("(different values)"));
    QCOMPARE(form->Info->Memo3->placeholderText(), QString());  // no photo has a caption: the same for all

    form->Info->Memo3->setPlainText(QStringLiteral("Harbour"));
    QVERIFY(form->Info->IPTCControlsExit());
    form->Selection->Run->Wait();
    for (size_t i = 0; i < files.size(); ++i) {
      const TMyIptcTags tags = IptcOf(files[i]);
      QCOMPARE(tags.ImageCaption, std::string("Harbour"));
      QCOMPARE(tags.ObjectName, std::string("Title ") + char('a' + i));
      QCOMPARE(tags.Category, std::string("Trip"));
    }
    // Ctrl+Z from the list takes the whole command back.
    form->FileList->setFocus();
    QTest::keyClick(form->FileList, Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(SnapshotOf(files) == before);
    QCOMPARE(messages.Errors(), 0);
  }

  void ATransformOnTheSelectionIsUndoneByteForByte() {
    MessageRecorder messages;
    TempDir dir;
    const std::vector<fs::path> files = MakePhotos(dir);
    const Snapshot before = SnapshotOf(files);
    auto form = ShowForm({QString::fromStdString(files[0].string())});
    form->FileList->selectAll();
    QTRY_VERIFY(form->Selection->Several());
    form->Action("JpgRotateLeft")->trigger();
    form->Selection->Run->Wait();
    const Snapshot turned = SnapshotOf(files);
    for (size_t i = 0; i < files.size(); ++i) QVERIFY(turned[i].first != before[i].first);
    WriteBytes(files[1], "changed by another program");
    form->Selection->UndoAction->trigger();
    const Snapshot after = SnapshotOf(files);
    QVERIFY(after[0] == before[0] && after[2] == before[2]);
    QCOMPARE(ReadBytes(files[1]), std::string("changed by another program"));
    QVERIFY(messages.LastText().contains(QStringLiteral("b.jpg: it was changed after the command")));
  }

  void AClickedRowIsTheCurrentPhotoWithItsCommands() {
    TempDir dir;
    const std::vector<fs::path> files = MakePhotos(dir);
    auto form = ShowForm({QString::fromStdString(files[0].string())});
    QTreeWidget* list = form->FileList;
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->topLevelItem(1)).center());
    QTRY_COMPARE(form->Info->LblFileNo->text(), QStringLiteral("2/3"));
    QVERIFY(form->Action("JpgRotateLeft")->isEnabled());
  }

  void OriginalsThatDoNotFitTheUndoStoreAreAskedAbout_data() {
    QTest::addColumn<bool>("several");
    QTest::addColumn<bool>("goOn");
    QTest::addColumn<bool>("typed");  // a title typed instead of a turn
    QTest::newRow("one photo, stop") << false << false << false;
    QTest::newRow("one photo, go on without undo") << false << true << false;
    QTest::newRow("selection, stop") << true << false << false;
    QTest::newRow("selection, go on without undo") << true << true << false;
    QTest::newRow("typed title, stop") << false << false << true;
    QTest::newRow("typed title, go on without undo") << false << true << true;
  }
  void OriginalsThatDoNotFitTheUndoStoreAreAskedAbout() {
    QFETCH(bool, several);
    QFETCH(bool, goOn);
    QFETCH(bool, typed);
    MessageRecorder messages(goOn ? QMessageBox::Yes : QMessageBox::No);
    TempDir dir;
    const std::vector<fs::path> files = MakePhotos(dir);
    const Snapshot before = SnapshotOf(files);
    auto form = ShowForm({QString::fromStdString(files[0].string())});
    form->Selection->Store->CapLimit(10);
    if (several) {
      form->FileList->selectAll();
      QTRY_VERIFY(form->Selection->Several());
    }
    if (typed) {
      form->Info->Edit2->setFocus();
      form->Info->Edit2->setText(QStringLiteral("Typed"));
      form->FileList->setFocus();
    } else {
      form->Action("JpgRotateLeft")->trigger();
    }
    QVERIFY(WaitForTransform(*form));
    form->Selection->Run->Wait();
    QVERIFY(Asked(messages, several ? "do not fit into the undo store" : "does not fit into the undo store"));
    const Snapshot after = SnapshotOf(files);
    for (size_t i = 0; i < files.size(); ++i) QCOMPARE(after[i] != before[i], goOn && (several || i == 0));
    QVERIFY(!form->Selection->UndoAction->isEnabled());
    QCOMPARE(messages.Errors(), 0);
  }

  void AStoreACrashLeftIsOfferedAtStartThenRemoved_data() {
    QTest::addColumn<bool>("restore");
    QTest::newRow("put back") << true;
    QTest::newRow("declined") << false;
  }
  void AStoreACrashLeftIsOfferedAtStartThenRemoved() {
    QFETCH(bool, restore);
    TempDir dir;
    const std::vector<fs::path> files = MakePhotos(dir);
    const Snapshot before = SnapshotOf(files);
    // A run turns the first two photos and crashes before it ends.
    const pid_t child = ::fork();
    QVERIFY(child >= 0);
    if (child == 0) {
      auto* store = new UndoStore(UndoStore::DefaultRoot());  // never destroyed
      store->Begin("Rotate left");
      for (size_t i = 0; i < 2; ++i) {
        const size_t entry = store->Keep(files[i]);
        WriteFileAtomic(files[i], MakeJpeg({.width = 48, .height = 64}));
        store->Changed(entry);
      }
      ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    const Snapshot crashed = SnapshotOf(files);
    QVERIFY(crashed != before);
    QCOMPARE(UndoStore::LeftBehind().size(), size_t(1));

    MessageRecorder messages(restore ? QMessageBox::Yes : QMessageBox::No);
    auto form = ShowForm({QString::fromStdString(files[0].string())});
    QCOMPARE(form->PhotoView->PictureSize(), QSize(48, 64));
    form->Selection->OfferLeftBehind();
    QVERIFY(Asked(messages, "The originals of 2 files"));
    QVERIFY(SnapshotOf(files) == (restore ? before : crashed));
    QTRY_COMPARE(form->PhotoView->PictureSize(), restore ? QSize(64, 48) : QSize(48, 64));
    QVERIFY(UndoStore::LeftBehind().empty());  // removed either way
    QCOMPARE(messages.messages.size(), size_t(1));
  }

  void CzechTakesTheSelectionsTexts() {
    MessageRecorder messages;
    TempDir dir;
    const std::vector<fs::path> files = MakePhotos(dir);
    auto form = ShowForm({QString::fromStdString(files[0].string())});
    form->FileList->selectAll();
    QTRY_VERIFY(form->Selection->ShowsSeveral());
    auto menuItem = [&](int index) { return form->Selection->Menu->actions().value(index)->text(); };
    constexpr int firstEdit = 7;  // after the six transforms and a line
    const std::vector<std::pair<std::function<QString()>, int>> texts{
        {[&] { return form->Selection->UndoAction->text(); }, 220},
        {[&] { return form->Selection->Progress->CancelButton->text(); }, 160},
        {[&] { return form->Info->Edit2->placeholderText(); }, 229},
        {[&] { return menuItem(firstEdit); }, 232},
        {[&] { return menuItem(firstEdit + 3); }, 235},
    };
    std::vector<QString> english;
    for (const auto& [text, key] : texts) english.push_back(text());
    LoadLanguage(1);
    form->ApplyToMainWindow();
    for (size_t i = 0; i < texts.size(); ++i) {
      const QString czech = QString::fromStdString(ProgramLanguageTexts().Utf8(texts[i].second));
      QCOMPARE(texts[i].first(), czech);
      QVERIFY2(czech != english[i], qPrintable(czech));
    }
    LoadLanguage(0);
    form->ApplyToMainWindow();
    for (size_t i = 0; i < texts.size(); ++i) QCOMPARE(texts[i].first(), english[i]);
  }

 private:
  TempDir Cache;
};

QTEST_MAIN(SelectionCommandsTest)
#include "SelectionCommandsTest.moc"
