// Commands on several photos: a run cancelled in the middle, the IPTC fields
// of a selection (common values, "(different values)", only the typed field
// written), and Undo of a command on the selection.
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <atomic>
#include <cstdlib>

#include "app/BatchRun.h"
#include "app/MainForm.h"
#include "app/SelectionCommands.h"
#include "file_list/gui/JpegList.h"
#include "photo_record/JpegBasicObject.h"
#include "platform/FileSystem.h"
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

 private:
  TempDir Cache;
};

QTEST_MAIN(SelectionCommandsTest)
#include "SelectionCommandsTest.moc"
