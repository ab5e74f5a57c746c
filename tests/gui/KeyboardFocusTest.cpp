// Where the keys go: the list has them from the start and gets them back
// after a rename; text a field cannot store keeps the user in that field;
// the editing keys edit a text field while the commands sharing them run
// from elsewhere.
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QTest>

#include "app/MainForm.h"
#include "file_list/gui/JpegList.h"
#include "photo_record/JpegBasicObject.h"
#include "support/GuiTestSupport.h"
#include "support/TestSupport.h"

using namespace pixaldo;
using namespace pixaldo::test;

namespace {

QString Q(const fs::path& path) { return QString::fromStdString(path.string()); }

// A folder of three small photos without metadata: a.jpg, b.jpg, c.jpg.
struct Photos {
  TempDir dir;
  std::string bytes = MakeJpeg({.width = 96, .height = 64});
  Photos() {
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) WriteBytes(dir / name, bytes);
  }
  bool Untouched(const char* name) const { return ReadBytes(dir / name) == bytes; }
};

std::unique_ptr<TFormMain> ActiveForm(const QStringList& arguments) {
  auto form = ShowForm(arguments);
  QApplication::setActiveWindow(form.get());
  if (!QTest::qWaitForWindowActive(form.get())) return nullptr;
  return form;
}

QWidget* Focus() { return QApplication::focusWidget(); }

// Clicks the list entry of `name`, as the mouse does.
void ClickEntry(TJpegList* list, const QString& name) {
  for (int row = 0; row < list->FileCount(); ++row)
    if (list->FileNameAt(row) == name) {
      const QRect entry = list->visualItemRect(list->topLevelItem(row));
      QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, entry.center());
    }
}

}  // namespace

class KeyboardFocusTest : public QObject {
  Q_OBJECT

 private slots:
  void KeysAfterStartBrowseTheListAndWriteNothing() {
    Photos photos;
    auto form = ActiveForm({Q(photos.dir.path())});
    QVERIFY(form);
    TJpegList* list = form->FileList;
    QCOMPARE(Focus(), list);
    QCOMPARE(list->SelectedIndex(), 0);
    QTest::keyClick(Focus(), Qt::Key_Down);
    QCOMPARE(QFileInfo(form->CurrentFile).fileName(), list->FileNameAt(1));
    QTest::keyClicks(Focus(), QStringLiteral(" n"));
    ClickEntry(list, list->FileNameAt(2));
    QCOMPARE(QFileInfo(form->CurrentFile).fileName(), list->FileNameAt(2));
    QVERIFY(photos.Untouched("a.jpg") && photos.Untouched("b.jpg") && photos.Untouched("c.jpg"));
  }

  void RenameGivesTheKeysBackToTheList() {
    Photos photos;
    auto form = ActiveForm({Q(photos.dir / "a.jpg")});
    QVERIFY(form);
    TJpegList* list = form->FileList;
    // While the error is shown, no editor holds the refused name over the list.
    int editorsAtMessage = -1;
    SetMessageHandler([&](const UserMessage&) {
      editorsAtMessage = 0;
      for (QLineEdit* editor : list->findChildren<QLineEdit*>()) editorsAtMessage += editor->isVisible();
      return QMessageBox::Ok;
    });
    for (const QString& name : {QStringLiteral("b"), QStringLiteral("renamed")}) {
      form->Action("FileRename")->trigger();
      QLineEdit* editor = list->findChild<QLineEdit*>();
      QVERIFY(editor && Focus() == editor);
      editor->setText(name);
      QTest::keyClick(editor, Qt::Key_Return);
      QTRY_VERIFY(!list->Editing());
      QCOMPARE(Focus(), list);
      QCOMPARE(list->currentItem(), list->topLevelItem(list->SelectedIndex()));
    }
    SetMessageHandler({});
    QCOMPARE(editorsAtMessage, 0);  // "b.jpg" exists: refused, once
    QCOMPARE(list->FileNameAt(list->SelectedIndex()), QStringLiteral("renamed.jpg"));
    QTest::keyClicks(Focus(), QStringLiteral(" n"));
    QVERIFY(photos.Untouched("renamed.jpg"));
  }

  void UnstorableTextStaysInItsFieldAfterOneMessage() {
    Photos photos;
    MessageRecorder messages;
    auto form = ActiveForm({Q(photos.dir / "a.jpg")});
    QVERIFY(form);
    const QString typed(22, QChar(0x6771));  // 66 bytes: more than a title's 64
    form->Info->Edit2->setFocus(Qt::MouseFocusReason);
    form->Info->Edit2->setText(typed);
    ClickEntry(form->FileList, QStringLiteral("b.jpg"));
    QTRY_COMPARE(Focus(), form->Info->Edit2);
    QCOMPARE(messages.Errors(), 1);
    QVERIFY(messages.LastText().contains(QStringLiteral("a.jpg")));
    QCOMPARE(QFileInfo(form->CurrentFile).fileName(), QStringLiteral("a.jpg"));
    QCOMPARE(form->FileList->FileNameAt(form->FileList->SelectedIndex()), QStringLiteral("a.jpg"));
    QCOMPARE(form->Info->Edit2->text(), typed);
    QVERIFY(photos.Untouched("a.jpg"));
    // The next-file command is held up the same way, with one more message.
    form->Action("FileNext")->trigger();
    QTRY_COMPARE(form->FileList->FileNameAt(form->FileList->SelectedIndex()), QStringLiteral("a.jpg"));
    QCOMPARE(messages.Errors(), 2);
    // Esc brings back what the file holds; then the list may be left.
    QTest::keyClick(form->Info->Edit2, Qt::Key_Escape);
    QVERIFY(form->Info->Edit2->text().isEmpty());
    ClickEntry(form->FileList, QStringLiteral("b.jpg"));
    QCOMPARE(QFileInfo(form->CurrentFile).fileName(), QStringLiteral("b.jpg"));
    QCOMPARE(messages.Errors(), 2);
  }

  void EditingKeysEditTheFieldCommandsRunFromTheList() {
    Photos photos;
    auto form = ActiveForm({Q(photos.dir / "a.jpg")});
    QVERIFY(form);
    int asked = 0;
    form->AskTransformTarget = [&](const QString&) {
      ++asked;
      return QString();
    };
    QApplication::clipboard()->setText(QStringLiteral("pasted"));
    form->Info->Memo3->setFocus(Qt::MouseFocusReason);
    QTest::keyClick(Focus(), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(form->Info->Memo3->toPlainText(), QStringLiteral("pasted"));
    QTest::keyClick(Focus(), Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(form->Info->Memo3->toPlainText().isEmpty());
    QVERIFY(photos.Untouched("a.jpg"));
    // With a crop frame, Ctrl+C copies from the title and crops from the list.
    DrawCropFrame(*form);
    form->Info->Edit2->setFocus(Qt::MouseFocusReason);
    form->Info->Edit2->setText(QStringLiteral("Harbour"));
    form->Info->Edit2->selectAll();
    QTest::keyClick(Focus(), Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("Harbour"));
    QCOMPARE(asked, 0);
    form->FileList->setFocus(Qt::MouseFocusReason);
    QTest::keyClick(Focus(), Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(asked, 1);
    const std::string titled = ReadBytes(photos.dir / "a.jpg");
    QTest::keyClick(Focus(), Qt::Key_V, Qt::ControlModifier);
    QTRY_VERIFY(ReadBytes(photos.dir / "a.jpg") != titled);  // flipped in place
  }
};

QTEST_MAIN(KeyboardFocusTest)
#include "KeyboardFocusTest.moc"
