// The file list: its order, opening folders and names as given, renaming in
// place, deleting to the trash and following changes that other programs
// make to the folder.
#include <QLineEdit>
#include <QTest>
#include <filesystem>

#include "app/MainForm.h"
#include "file_list/gui/JpegList.h"
#include "support/GuiTestSupport.h"
#include "support/TestSupport.h"

using namespace pixaldo;
using namespace pixaldo::test;

namespace {

QString Q(const fs::path& path) { return QString::fromStdString(path.string()); }

QStringList Items(const TJpegList* list) {
  QStringList names;
  for (int i = 0; i < list->FileCount(); ++i) names << list->FileNameAt(i);
  names.sort();
  return names;
}

}  // namespace

class JpegListTest : public QObject {
  Q_OBJECT

  TempDir trash_;

 private slots:
  void initTestCase() {
    // Deleted files go to a trash of the test's own, in a data folder that
    // does not exist yet.
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString((trash_ / "missing/share").string()));
  }

  void ListsVisibleJpegNamesInNaturalOrder() {
    TempDir dir;
    for (const char* name : {"IMG_10.jpg", "c.Jpg", "a.JPG", "d.png", "img_9.jpeg", "e.jpe", ".hidden.jpg"})
      WriteBytes(dir / name, MakeJpeg());
    fs::create_directories(dir / "f.jpg");
    auto form = ShowForm({Q(dir.path())});
    TJpegList* list = form->FileList;
    const QStringList expected{"a.JPG", "c.Jpg", "f.jpg", "img_9.jpeg", "IMG_10.jpg"};
    QStringList listed;
    for (int i = 0; i < list->FileCount(); ++i) listed << list->FileNameAt(i);
    QCOMPARE(listed, expected);
    // Next walks that order; a new file takes its place in it.
    list->SelectByName(QStringLiteral("img_9.jpeg"));
    list->SelectNext();
    QCOMPARE(QFileInfo(form->CurrentFile).fileName(), QStringLiteral("IMG_10.jpg"));
    WriteBytes(dir / "b.jpg", MakeJpeg());
    QTRY_COMPARE(list->FileCount(), 6);
    QCOMPARE(list->FileNameAt(1), QStringLiteral("b.jpg"));
    QCOMPARE(list->FileNameAt(list->SelectedIndex()), QStringLiteral("IMG_10.jpg"));
  }

  void OpensARelativeFolderAndANameThatIsNoUtf8() {
    TempDir dir;
    fs::create_directory(dir / "photos");
    WriteBytes(dir / "photos/b.jpg", MakeJpeg());
    WriteBytes(dir / "photos/caf\xe9.jpg", MakeJpeg({.width = 320, .height = 240}));
    fs::current_path(dir.path());
    MessageRecorder messages;
    auto form = ShowForm({QStringLiteral("photos")});
    fs::current_path(fs::temp_directory_path());  // the list changed into the folder; it is removed at the end
    TJpegList* list = form->FileList;
    QCOMPARE(list->FileCount(), 2);
    QCOMPARE(list->topLevelItem(1)->text(0), QStringLiteral("caf\uFFFD.jpg"));
    list->SelectNext();
    QCOMPARE(form->PhotoView->PictureSize(), QSize(320, 240));
    QCOMPARE(pixaldo::QStringToPath(form->CurrentFile), dir / "photos/caf\xe9.jpg");
    QVERIFY(!form->Info->LblFileAttr->text().isEmpty());
    QCOMPARE(messages.Errors(), 0);
  }

  void RenameAddsTheExtensionAndRefusesExistingNames() {
    PIXALDO_QT_NEEDS_SAMPLES();
    TempDir dir;
    dir.Copy("cameras/Canon_40D.jpg", "beach.jpg");
    dir.Copy("cameras/Nikon_D70.jpg", "other.jpg");
    MessageRecorder messages;
    auto form = ShowForm({Q(dir / "beach.jpg")});
    TJpegList* list = form->FileList;
    auto item = [&](const QString& name) {
      for (int i = 0; i < list->FileCount(); ++i)
        if (list->FileNameAt(i) == name) return list->topLevelItem(i);
      return static_cast<QTreeWidgetItem*>(nullptr);
    };
    // Through the editor, as the user types it.
    list->RenameSelected();
    QVERIFY(list->Editing());
    auto* editor = list->findChild<QLineEdit*>();
    QVERIFY(editor);
    editor->setText(QStringLiteral("sunset"));
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_VERIFY(!list->Editing());
    QVERIFY(fs::exists(dir / "sunset.jpg"));
    QVERIFY(!fs::exists(dir / "beach.jpg"));
    QVERIFY(item(QStringLiteral("sunset.jpg")));
    QCOMPARE(list->CurrentPath(), list->FullPath(QStringLiteral("sunset.jpg")));
    // An extension of its own is kept.
    list->FinishRename(item(QStringLiteral("sunset.jpg")), QStringLiteral("sunset.JPEG"));
    QVERIFY(fs::exists(dir / "sunset.JPEG"));
    QVERIFY(item(QStringLiteral("sunset.JPEG")));
    // Empty text: nothing happens, no message.
    list->FinishRename(item(QStringLiteral("sunset.JPEG")), QString());
    QVERIFY(fs::exists(dir / "sunset.JPEG"));
    QCOMPARE(messages.Errors(), 0);
    // Onto another file's name: both files stay, the error names the file.
    const std::string other = ReadBytes(dir / "other.jpg");
    list->FinishRename(item(QStringLiteral("sunset.JPEG")), QStringLiteral("other"));
    QVERIFY(fs::exists(dir / "sunset.JPEG"));
    QCOMPARE(ReadBytes(dir / "other.jpg"), other);
    QVERIFY(item(QStringLiteral("sunset.JPEG")));
    QCOMPARE(messages.Errors(), 1);
    QVERIFY(messages.LastText().contains(QStringLiteral("sunset.JPEG")));
  }

  void DeleteFirstLastAndOnly() {
    PIXALDO_QT_NEEDS_SAMPLES();
    TempDir dir;
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg"}) dir.Copy("cameras/Canon_40D.jpg", name);
    MessageRecorder messages(QMessageBox::Yes);
    auto form = ShowForm({Q(dir.path())});
    TJpegList* list = form->FileList;
    // Declined: nothing happens.
    messages.Answer(QMessageBox::No);
    const QString first = list->FileNameAt(0);
    list->DeleteSelected();
    QCOMPARE(list->FileCount(), 4);
    QVERIFY(fs::exists(dir / first.toStdString()));
    messages.Answer(QMessageBox::Yes);
    // The first: the file that followed it is shown.
    const QString second = list->FileNameAt(1);
    list->DeleteSelected();
    QVERIFY(!fs::exists(dir / first.toStdString()));
    QVERIFY(fs::exists(trash_ / "missing/share/Trash/files" / first.toStdString()));
    QVERIFY(fs::exists(trash_ / "missing/share/Trash/info" / (first.toStdString() + ".trashinfo")));
    QCOMPARE(list->FileCount(), 3);
    QCOMPARE(list->SelectedIndex(), 0);
    QCOMPARE(list->FileNameAt(0), second);
    QCOMPARE(QFileInfo(form->CurrentFile).fileName(), second);
    QCOMPARE(form->Info->LblFileNo->text(), QStringLiteral("1/3"));
    // The last (by the Delete key): the new last is shown.
    list->SelectByName(list->FullPath(list->FileNameAt(2)));
    const QString last = list->FileNameAt(2);
    const QString beforeLast = list->FileNameAt(1);
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Delete);
    QVERIFY(!fs::exists(dir / last.toStdString()));
    QCOMPARE(list->FileCount(), 2);
    QCOMPARE(list->SelectedIndex(), 1);
    QCOMPARE(QFileInfo(form->CurrentFile).fileName(), beforeLast);
    // The watcher's later notice changes nothing.
    QTest::qWait(200);
    QCOMPARE(list->FileCount(), 2);
    QCOMPARE(messages.Errors(), 0);
    // Nothing of the trash lands beside the photos.
    QCOMPARE(dir.List(), (std::vector<std::string>{"b.jpg", "c.jpg"}));
  }

  void DeleteOnlyFile() {
    PIXALDO_QT_NEEDS_SAMPLES();
    TempDir dir;
    dir.Copy("cameras/Canon_40D.jpg", "only.jpg");
    MessageRecorder messages(QMessageBox::Yes);
    auto form = ShowForm({Q(dir.path())});
    form->FileList->DeleteSelected();
    QVERIFY(!fs::exists(dir / "only.jpg"));
    QCOMPARE(form->FileList->FileCount(), 0);
    QCOMPARE(form->FileList->SelectedIndex(), -1);
    // The window keeps showing the deleted file's name.
    QCOMPARE(QFileInfo(form->CurrentFile).fileName(), QStringLiteral("only.jpg"));
  }

  void FilesOfOtherProgramsAppearAndVanish() {
    PIXALDO_QT_NEEDS_SAMPLES();
    TempDir dir;
    dir.Copy("cameras/Canon_40D.jpg", "a.jpg");
    dir.Copy("cameras/Canon_40D.jpg", "b.jpg");
    auto form = ShowForm({Q(dir / "b.jpg")});
    TJpegList* list = form->FileList;
    QCOMPARE(list->FileCount(), 2);
    // Another process writes a new file and removes one.
    CommandResult copy = Run({"cp", TestData("cameras/Nikon_D70.jpg").string(), (dir / "new.jpg").string()});
    QCOMPARE(copy.exitCode, 0);
    QTRY_COMPARE(list->FileCount(), 3);
    // The current file is selected again after the rebuild.
    QCOMPARE(list->FileNameAt(list->SelectedIndex()), QStringLiteral("b.jpg"));
    CommandResult remove = Run({"rm", (dir / "a.jpg").string()});
    QCOMPARE(remove.exitCode, 0);
    QTRY_COMPARE(Items(list), (QStringList{"b.jpg", "new.jpg"}));
    // After a rename in the list, with the focus still there, the list keeps
    // following: a file removed and one added by others show at once, and
    // the renamed file stays current.
    list->setFocus();
    list->FinishRename(list->topLevelItem(list->SelectedIndex()), QStringLiteral("c"));
    Run({"rm", (dir / "new.jpg").string()});
    QTRY_COMPARE(Items(list), (QStringList{"c.jpg"}));
    Run({"cp", TestData("cameras/Nikon_D70.jpg").string(), (dir / "d.jpg").string()});
    QTRY_COMPARE(Items(list), (QStringList{"c.jpg", "d.jpg"}));
    QVERIFY(list->hasFocus());
    QCOMPARE(list->CurrentPath(), list->FullPath(QStringLiteral("c.jpg")));
  }
};

QTEST_MAIN(JpegListTest)
#include "JpegListTest.moc"
