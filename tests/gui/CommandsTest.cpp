// The main window's commands: which are enabled when, the shortcuts decided
// in the order of the action list, the crop
// proportion and style cycle, the info bar and presentation mode.
#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QSplitter>
#include <QTest>
#include <QToolBar>

#include "app/ActionIcons.h"
#include "app/MainForm.h"
#include "file_list/gui/JpegList.h"
#include "photo_view/gui/PhotoImage.h"
#include "transforms/JpegTran.h"
#include "app/PicturePane.h"
#include "support/GuiTestSupport.h"
#include "support/TestSupport.h"

using namespace pixaldo;
using namespace pixaldo::test;

namespace {

QString Q(const fs::path& path) { return QString::fromStdString(path.string()); }

const char* const kFileCommands[] = {"FileNext", "FilePrev", "AppDirDatabase", "AppPictureSize", "AppPrezentation"};
const char* const kSelectionCommands[] = {"FileRename", "FileDelete", "FileMetadataShow"};
const char* const kTransformCommands[] = {"JpgFlipHorizontal", "JpgFlipVertical", "JpgRotateLeft",
                                          "JpgRotateRight",    "JpgMetadataDelete", "JpgCropRatio"};
const char* const kAlwaysEnabled[] = {"AppDirOpen", "AppNormal", "AppInfoBar", "AppOptions",
                                      "AppAbout",   "AppExit",   "JpgCancelCropping"};

// Which of the named commands are enabled, as "name=0/1" for readable failures.
QStringList States(const TFormMain& form, std::initializer_list<const char*> names) {
  QStringList states;
  for (const char* name : names) states << QStringLiteral("%1=%2").arg(name).arg(form.Action(name)->isEnabled());
  return states;
}
template <size_t N>
bool AllEnabled(const TFormMain& form, const char* const (&names)[N], bool enabled) {
  for (const char* name : names)
    if (form.Action(name)->isEnabled() != enabled) return false;
  return true;
}

bool ShowsIcon(QAction* action, int number) {
  return action->icon().pixmap(kActionIconSize).toImage() == ActionIconPixmap(number).toImage();
}


struct Folder {
  TempDir dir;
  fs::path first, second;
  Folder() {
    first = dir.Copy("cameras/Canon_40D.jpg", "a.jpg");
    second = dir.Copy("cameras/Nikon_D70.jpg", "b.jpg");
  }
};

}  // namespace

class CommandsTest : public QObject {
  Q_OBJECT

 private slots:
  void EnablingBeforeTheFirstFile() {
    TempDir empty;
    auto form = ShowForm({Q(empty.path())});
    // Nothing was shown yet: the commands keep their design state, except the
    // two the crop set-up disables.
    QVERIFY(AllEnabled(*form, kFileCommands, true));
    QVERIFY(AllEnabled(*form, kTransformCommands, true));
    QVERIFY(AllEnabled(*form, kAlwaysEnabled, true));
    QCOMPARE(States(*form, {"JpgCrop", "JpgCropStyle"}), QStringList({"JpgCrop=0", "JpgCropStyle=0"}));
  }

  void EnablingWithFilesAndSelection() {
    PIXALDO_QT_NEEDS_SAMPLES();
    Folder folder;
    auto form = ShowForm({Q(folder.dir.path())});
    QVERIFY(AllEnabled(*form, kFileCommands, true));
    QVERIFY(AllEnabled(*form, kSelectionCommands, true));
    QVERIFY(AllEnabled(*form, kTransformCommands, true));
    QVERIFY(form->Info->Memo3->isEnabled() && form->Info->Edit2->isEnabled() && form->Info->CBox1->isEnabled());
    QCOMPARE(States(*form, {"JpgCrop", "JpgCropStyle"}), QStringList({"JpgCrop=0", "JpgCropStyle=0"}));

    // Files but no selection.
    form->FileList->clearSelection();
    form->UpdateCommandStates();
    QVERIFY(AllEnabled(*form, kFileCommands, true));
    QVERIFY(AllEnabled(*form, kSelectionCommands, false));
    QVERIFY(AllEnabled(*form, kTransformCommands, false));
    QVERIFY(!form->Info->Memo3->isEnabled() && !form->Info->Edit2->isEnabled() && !form->Info->CBox1->isEnabled());
    QVERIFY(AllEnabled(*form, kAlwaysEnabled, true));
  }

  void EnablingWithoutTheTransformProgram() {
    PIXALDO_QT_NEEDS_SAMPLES();
    Folder folder;
    TFormMain form({Q(folder.dir.path())});
    form.Transformer = std::make_unique<TJpegTran>(fs::path());
    form.ReadSettings = [] { return DefaultSettings(); };
    form.resize(1000, 700);
    form.show();
    QTest::qWait(1);
    QVERIFY(AllEnabled(form, kFileCommands, true));
    QVERIFY(AllEnabled(form, kSelectionCommands, true));
    QVERIFY(AllEnabled(form, kTransformCommands, false));
    QVERIFY(!form.CropAllowed());
    // No frame can be drawn, so there is nothing to crop either.
    DrawCropFrame(form);
    QVERIFY(!form.Action("JpgCrop")->isEnabled());
  }

  void CropProportionAndStyleCycle() {
    PIXALDO_QT_NEEDS_SAMPLES();
    Folder folder;
    auto form = ShowForm({Q(folder.dir.path())});
    QAction* ratio = form->Action("JpgCropRatio");
    QAction* style = form->Action("JpgCropStyle");
    QVERIFY(ShowsIcon(ratio, 12) && ShowsIcon(style, 10));
    for (int step = 1; step <= 5; ++step) {
      ratio->trigger();
      const int proportion = step % 5;
      QCOMPARE(form->CropProportion(), proportion);
      QVERIFY(ShowsIcon(ratio, 12 + proportion));
      QCOMPARE(style->isEnabled(), proportion != 0);
    }
    ratio->trigger();  // 2:3 again
    style->trigger();
    QCOMPARE(form->PhotoView->CropStyle(), 1);
    QCOMPARE(form->PhotoView->CropState().RatioWidth(), 2);  // 2:3 upright
    QCOMPARE(form->PhotoView->CropState().RatioHeight(), 3);
    QVERIFY(ShowsIcon(style, 11));
    QCOMPARE(form->CropProportion(), 1);  // the style keeps the proportion
    style->trigger();
    QCOMPARE(form->PhotoView->CropStyle(), 0);
    QVERIFY(ShowsIcon(style, 10));
    // The style survives a change of proportion.
    style->trigger();
    ratio->trigger();
    QCOMPARE(form->PhotoView->CropStyle(), 1);
  }

  // Ctrl+Enter steps through the three fit modes and keeps the choice.
  void PictureSizeStepsThroughTheFitModes() {
    PIXALDO_QT_NEEDS_SAMPLES();
    Folder folder;
    auto form = ShowForm({Q(folder.dir.path())});
    std::vector<FitMode> stored;
    form->Picture->StoreFitMode = [&](FitMode mode) { stored.push_back(mode); };
    QTest::keyClick(form->FileList, Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(form->Picture->Choice().mode, FitMode::Window);
    QVERIFY(ShowsIcon(form->Action("AppPictureSize"), 21));
    QTest::keyClick(form->FileList, Qt::Key_Enter, Qt::ControlModifier | Qt::KeypadModifier);
    QCOMPARE(form->Picture->Choice().mode, FitMode::Width);
    QTest::keyClick(form->FileList, Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(form->Picture->Choice().mode, FitMode::Square);
    QVERIFY(ShowsIcon(form->Action("AppPictureSize"), 20));
    QCOMPARE(stored, (std::vector<FitMode>{FitMode::Window, FitMode::Width, FitMode::Square}));
  }

  // The zoom keys act from the list, not in a text field; presenting, Space
  // and Backspace browse.
  void ZoomKeysAndPresentationBrowsing() {
    PIXALDO_QT_NEEDS_SAMPLES();
    Folder folder;
    auto form = ShowForm({Q(folder.dir.path())});
    QVERIFY(QTest::qWaitFor([&] { return form->PhotoView->isVisible(); }));
    QTest::keyClick(form->FileList, Qt::Key_1, Qt::ControlModifier);
    QCOMPARE(form->Info->LblZoom->text(), QStringLiteral("100%"));
    QTest::keyClick(form->FileList, Qt::Key_0, Qt::ControlModifier);
    QVERIFY(!form->PhotoView->Zoomed());
    form->Info->Edit2->setEnabled(true);
    form->Info->Edit2->setFocus();
    QTest::keyClick(form->Info->Edit2, Qt::Key_1, Qt::ControlModifier);
    QVERIFY(!form->PhotoView->Zoomed());
    form->FileList->setFocus();
    form->Action("AppPrezentation")->trigger();
    const int first = form->FileList->SelectedIndex();
    QTest::keyClick(form->FileList, Qt::Key_Space);
    QCOMPARE(form->FileList->SelectedIndex(), first + 1);
    QTest::keyClick(form->FileList, Qt::Key_Backspace);
    QCOMPARE(form->FileList->SelectedIndex(), first);
    form->Action("AppNormal")->trigger();
  }

  void InfoBarHidesAndTheArrowsStillMove() {
    PIXALDO_QT_NEEDS_SAMPLES();
    Folder folder;
    auto form = ShowForm({Q(folder.dir.path())});
    form->Action("AppInfoBar")->trigger();
    QVERIFY(!form->InfoBarVisible);
    QCOMPARE(form->Splitter->sizes().first(), 0);
    QVERIFY(ShowsIcon(form->Action("AppInfoBar"), 25));
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(form->FileList));
    QTest::keyClick(form->FileList, Qt::Key_Down);
    QCOMPARE(QFileInfo(form->CurrentFile).fileName(), form->FileList->FileNameAt(1));
    form->Action("AppInfoBar")->trigger();
    QVERIFY(form->InfoBarVisible);
    QCOMPARE(form->Splitter->sizes().first(), 200);
    QCOMPARE(form->PanelInfo->width(), 200);
    QVERIFY(ShowsIcon(form->Action("AppInfoBar"), 24));
  }

  void PresentationInAndOut() {
    PIXALDO_QT_NEEDS_SAMPLES();
    Folder folder;
    auto form = ShowForm({Q(folder.dir.path())});
    const QRect bounds = form->geometry();
    form->Action("AppInfoBar")->trigger();  // hidden before presenting
    QTest::keyClick(form->FileList, Qt::Key_Return, Qt::AltModifier);
    QVERIFY(form->PresentationMode);
    QVERIFY(form->isFullScreen());
    QVERIFY(!form->ToolBar1->isVisible());
    QVERIFY(!form->InfoBarVisible);
    QVERIFY(!form->CropAllowed());
    QCOMPARE(form->Action("AppNormal")->shortcut(), QKeySequence(Qt::Key_Escape));

    // The pop-up menu opens on a right click only now.
    QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(50, 50), form->mapToGlobal(QPoint(50, 50)));
    QApplication::sendEvent(form->PhotoView, &click);
    QTRY_VERIFY(form->PopupMenu->isVisible());
    form->PopupMenu->hide();

    QTest::keyClick(form->FileList, Qt::Key_Escape);
    QVERIFY(!form->PresentationMode);
    QVERIFY(!form->isFullScreen());
    QVERIFY(form->ToolBar1->isVisible());
    QVERIFY(form->InfoBarVisible);  // shown again, whatever it was before
    QCOMPARE(form->geometry(), bounds);
    QVERIFY(form->Action("AppNormal")->shortcut().isEmpty());
    QApplication::sendEvent(form->PhotoView, &click);
    QTest::qWait(20);
    QVERIFY(!form->PopupMenu->isVisible());
  }

  void PopupMenuAndToolBarHoldTheirCommands() {
    TempDir empty;
    auto form = ShowForm({Q(empty.path())});
    QStringList menu;
    for (QAction* action : form->PopupMenu->actions()) menu << (action->isSeparator() ? "|" : action->objectName());
    QCOMPARE(menu, QStringList({"AppDirOpen", "|", "FileMetadataShow", "|", "JpgFlipHorizontal", "JpgFlipVertical",
                                "JpgRotateRight", "JpgRotateLeft", "JpgRotateByExif", "|", "AppPictureSize",
                                "AppNormal", "|", "AppZoomIn", "AppZoomOut", "AppZoomActual", "AppZoomFit"}));
    QStringList bar;
    for (QAction* action : form->ToolBar1->actions()) bar << (action->isSeparator() ? "|" : action->objectName());
    QCOMPARE(bar.join(' '), QStringLiteral("AppDirOpen | FilePrev FileNext FileRename FileDelete | JpgFlipHorizontal "
                                           "JpgFlipVertical JpgRotateLeft JpgRotateRight JpgRotateByExif JpgCrop JpgCropStyle "
                                           "JpgCropRatio | FileMetadataShow AppDirDatabase JpgMetadataDelete | "
                                           "AppPictureSize AppPrezentation AppInfoBar AppOptions AppAbout | AppExit"));
  }

  void EscapeLeavesPresentationBeforeItClearsTheFrame() {
    PIXALDO_QT_NEEDS_SAMPLES();
    Folder folder;
    auto form = ShowForm({Q(folder.dir.path())});
    DrawCropFrame(*form);
    QVERIFY(form->Action("JpgCrop")->isEnabled());
    QTest::keyClick(form->FileList, Qt::Key_Escape);
    QVERIFY(!form->Action("JpgCrop")->isEnabled());
    QVERIFY(form->PhotoView->CropState().Crop().Empty());

    form->Action("AppPrezentation")->trigger();
    QTest::keyClick(form->FileList, Qt::Key_Escape);
    QVERIFY(!form->PresentationMode);
  }

  void RenamingInPlaceKeepsItsKeys() {
    PIXALDO_QT_NEEDS_SAMPLES();
    Folder folder;
    auto form = ShowForm({Q(folder.dir.path())});
    DrawCropFrame(*form);
    form->Action("FileRename")->trigger();
    QWidget* editor = QApplication::focusWidget();
    QVERIFY(editor && editor != form->FileList && form->FileList->isAncestorOf(editor));
    QTest::keyClick(editor, Qt::Key_Escape);
    // Esc ended the editing, not the crop frame.
    QVERIFY(form->Action("JpgCrop")->isEnabled());
    QVERIFY(fs::exists(folder.first));
  }
};

QTEST_MAIN(CommandsTest)
#include "CommandsTest.moc"
