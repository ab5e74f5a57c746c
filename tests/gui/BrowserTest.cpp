// The folder's browser: the list and the thumbnail grid as two views of one
// model (order, current file, selection), the selection surviving changes
// on disk, the list following others' changes after a rename and after the
// shown photo was deleted by another program.
#include <QListView>
#include <QSignalSpy>
#include <QTest>
#include <filesystem>

#include "app/MainForm.h"
#include "file_list/gui/BrowserPane.h"
#include "file_list/gui/JpegList.h"
#include "file_list/gui/ThumbnailGrid.h"
#include "file_list/gui/ThumbnailSource.h"
#include "platform/FileSystem.h"
#include "support/GuiTestSupport.h"
#include "support/TestSupport.h"
#include "thumbnails/ThumbnailCache.h"

using namespace pixaldo;
using namespace pixaldo::test;

namespace {

QString Q(const fs::path& path) { return PathToQString(path); }

QStringList Names(const QStringList& paths) {
  QStringList names;
  for (const QString& path : paths) names << PathToQString(QStringToPath(path).filename());
  return names;
}

QString CurrentName(const TFormMain& form) { return PathToQString(QStringToPath(form.CurrentFile).filename()); }

void Press(QWidget* view, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QTest::keyClick(view, key, modifiers);
}

}  // namespace

class BrowserTest : public QObject {
  Q_OBJECT

  TempDir cache_;

 private slots:
  void initTestCase() { qputenv("XDG_CACHE_HOME", QByteArray::fromStdString(cache_.path().string())); }

  void SelectionIsSharedAndSurvivesRefreshes() {
    TempDir dir;
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg"}) WriteBytes(dir / name, MakeJpeg());
    auto form = ShowForm({Q(dir / "b.jpg")});
    TJpegList* list = form->FileList;
    QSignalSpy changes(list, &TJpegList::SelectedFilesChanged);
    list->setFocus();
    Press(list, Qt::Key_Down, Qt::ShiftModifier);
    Press(list, Qt::Key_Down, Qt::ShiftModifier);
    QCOMPARE(Names(list->SelectedPaths()), (QStringList{"b.jpg", "c.jpg", "d.jpg"}));
    QVERIFY(changes.count() > 0);
    // The current photo is the one the cursor is on, shown as always.
    QCOMPARE(CurrentName(*form), QStringLiteral("d.jpg"));
    // Ctrl adds a single file without losing the rest.
    const QRect first = list->visualItemRect(list->topLevelItem(0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier, first.center());
    QCOMPARE(Names(list->SelectedPaths()), (QStringList{"a.jpg", "b.jpg", "c.jpg", "d.jpg"}));
    // The grid shows the same selection: it is the same selection model.
    TThumbnailGrid* grid = form->Browser->Grid();
    QCOMPARE(grid->selectionModel(), list->selectionModel());
    QCOMPARE(grid->selectionModel()->selectedIndexes().size(), 4);

    // Another program removes one selected file and adds one: the others stay
    // selected, and the current file stays current without being shown again.
    changes.clear();
    fs::remove(dir / "c.jpg");
    WriteBytes(dir / "f.jpg", MakeJpeg());
    QTRY_COMPARE(list->FileNameAt(4), QStringLiteral("f.jpg"));
    QCOMPARE(Names(list->SelectedPaths()), (QStringList{"a.jpg", "b.jpg", "d.jpg"}));
    QVERIFY(changes.count() > 0);
    QCOMPARE(list->FileNameAt(list->SelectedIndex()), QStringLiteral("a.jpg"));

    // Ctrl+A selects every file in either view; a plain move selects one.
    Press(grid, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(list->SelectedPaths().size(), 5);
    list->SelectNext();
    QCOMPARE(Names(list->SelectedPaths()), (QStringList{"b.jpg"}));
  }

  // A click makes the row current before the view selects it: the photo is
  // shown as the current file, numbered, in either view.
  void AClickedPhotoIsTheCurrentFile() {
    TempDir dir;
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) WriteBytes(dir / name, MakeJpeg());
    auto form = ShowForm({Q(dir / "a.jpg")});
    TJpegList* list = form->FileList;
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, list->visualItemRect(list->topLevelItem(2)).center());
    QCOMPARE(form->Info->LblFileNo->text(), QStringLiteral("3/3"));
    QVERIFY(form->Action("JpgRotateLeft")->isEnabled());
    form->Browser->ShowGrid(true);
    TThumbnailGrid* grid = form->Browser->Grid();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, grid->visualRect(grid->model()->index(1, 0)).center());
    QCOMPARE(form->Info->LblFileNo->text(), QStringLiteral("2/3"));
    QCOMPARE(Names(list->SelectedPaths()), (QStringList{"b.jpg"}));
  }

  void TheListFollowsOthersAfterARename() {
    TempDir dir;
    for (const char* name : {"a.jpg", "b.jpg"}) WriteBytes(dir / name, MakeJpeg());
    MessageRecorder messages;
    auto form = ShowForm({Q(dir / "a.jpg")});
    TJpegList* list = form->FileList;
    list->setFocus();
    list->FinishRename(list->topLevelItem(0), QStringLiteral("z"));
    QVERIFY(fs::exists(dir / "z.jpg"));
    WriteBytes(dir / "c.jpg", MakeJpeg());
    fs::remove(dir / "b.jpg");
    QTRY_COMPARE(list->FileCount(), 2);
    QTRY_COMPARE(list->FileNameAt(0), QStringLiteral("c.jpg"));
    QVERIFY(list->hasFocus());
    QCOMPARE(list->FileNameAt(list->SelectedIndex()), QStringLiteral("z.jpg"));
    QCOMPARE(CurrentName(*form), QStringLiteral("z.jpg"));
    QCOMPARE(messages.Errors(), 0);
  }

  void TheShownPhotoDeletedByAnotherProgramGivesWayToTheNext() {
    TempDir dir;
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) WriteBytes(dir / name, MakeJpeg());
    MessageRecorder messages;
    auto form = ShowForm({Q(dir / "b.jpg")});
    fs::remove(dir / "b.jpg");
    QTRY_COMPARE(CurrentName(*form), QStringLiteral("c.jpg"));
    QCOMPARE(form->FileList->FileNameAt(form->FileList->SelectedIndex()), QStringLiteral("c.jpg"));
    QCOMPARE(form->Info->LblFileNo->text(), QStringLiteral("2/2"));
    // At the end, the one before it.
    fs::remove(dir / "c.jpg");
    QTRY_COMPARE(CurrentName(*form), QStringLiteral("a.jpg"));
    // Down then moves on from there (here: the stop sign), not to the first file.
    const int stops = form->StopSignCount;
    form->FileList->SelectNext();
    QCOMPARE(form->StopSignCount, stops + 1);
    fs::remove(dir / "a.jpg");
    QTRY_VERIFY(form->CurrentFile.isEmpty());
    QVERIFY(form->PhotoView->PictureSize().isEmpty());
    QCOMPARE(messages.Errors(), 0);
  }

  void TheGridStandsInPlaceOfThePicture() {
    TempDir dir;
    for (int i = 1; i <= 12; ++i) WriteBytes(dir / ("p" + std::to_string(i) + ".jpg"), MakeJpeg({.width = 320, .height = 240}));
    WriteBytes(dir / "p13.jpg", "damaged");
    MessageRecorder messages;  // the damaged photo's picture, shown at End
    auto form = ShowForm({Q(dir / "p1.jpg")});
    TBrowserPane* browser = form->Browser;
    std::vector<bool> kept;
    browser->KeepChoice = [&](bool shown) { kept.push_back(shown); };
    TThumbnailGrid* grid = browser->Grid();
    QVERIFY(!grid->isVisible());
    form->Action("AppThumbnails")->trigger();
    QVERIFY(grid->isVisible());
    QVERIFY(!form->PanelImage->isVisible());
    QCOMPARE(kept, std::vector<bool>{true});
    QVERIFY(grid->hasFocus());

    // Visible cells are asked for first, in order; their thumbnails arrive.
    QTRY_VERIFY(!grid->Requested().isEmpty());
    QCOMPARE(Names(grid->Requested().mid(0, 2)), (QStringList{"p1.jpg", "p2.jpg"}));
    QTRY_VERIFY(grid->Source()->Idle());
    QImage cell;
    QTRY_COMPARE(grid->Source()->Find(form->FileList->FullPath(QStringLiteral("p1.jpg")), &cell),
                 TThumbnailSource::State::Ready);
    QCOMPARE(cell.size(), QSize(128, 96));
    QTRY_COMPARE(grid->Source()->Find(form->FileList->FullPath(QStringLiteral("p13.jpg")), nullptr),
                 TThumbnailSource::State::Failed);

    // Keys move in two dimensions; the list and the info panel follow.
    const auto [first, last] = grid->VisibleRows();
    QCOMPARE(first, 0);
    const int perRow = [&] {
      int n = 1;
      while (grid->visualRect(grid->model()->index(n, 0)).top() == grid->visualRect(grid->model()->index(0, 0)).top()) ++n;
      return n;
    }();
    QVERIFY(perRow > 1);
    Press(grid, Qt::Key_Right);
    QCOMPARE(form->FileList->SelectedIndex(), 1);
    Press(grid, Qt::Key_Down);
    QCOMPARE(form->FileList->SelectedIndex(), 1 + perRow);
    QCOMPARE(form->Info->LblFileNo->text(), QStringLiteral("%1/13").arg(2 + perRow));
    Press(grid, Qt::Key_End);
    QCOMPARE(form->FileList->SelectedIndex(), 12);
    Press(grid, Qt::Key_Home);
    QCOMPARE(CurrentName(*form), QStringLiteral("p1.jpg"));

    // Behind the grid the picture is not decoded; the size label follows.
    Press(grid, Qt::Key_Right);
    QVERIFY(form->PhotoView->FileName().isEmpty());
    QCOMPARE(form->Info->LblDimension->text(), QString("320") + QChar(0xD7) + "240");
    // Enter shows that photo's picture in place of the grid.
    Press(grid, Qt::Key_Return);
    QVERIFY(!grid->isVisible());
    QVERIFY(form->PanelImage->isVisible());
    QCOMPARE(CurrentName(*form), QStringLiteral("p2.jpg"));
    QCOMPARE(QStringToPath(form->PhotoView->FileName()).filename(), fs::path("p2.jpg"));
    QCOMPARE(kept, (std::vector<bool>{true, false}));
  }

  void DecodedCellsStayWithinTheBudget() {
    TempDir dir;
    QStringList paths;
    for (int i = 0; i < 6; ++i) {
      WriteBytes(dir / ("c" + std::to_string(i) + ".jpg"), MakeJpeg({.width = 256, .height = 256}));
      paths << Q(dir / ("c" + std::to_string(i) + ".jpg"));
    }
    TThumbnailSource source(ThumbnailSize::Normal);
    const qint64 cell = 128 * 128 * 4;
    source.SetBudget(2 * cell);
    source.Want(paths);
    QTRY_VERIFY(source.Idle());
    QTest::qWait(50);
    QVERIFY(source.HeldBytes() <= 2 * cell);
    QStringList ready;
    for (const QString& path : paths)
      if (source.Find(path, nullptr) == TThumbnailSource::State::Ready) ready << path;
    QCOMPARE(ready.size(), 2);
    // A file changed on disk is made again.
    const fs::path changed = QStringToPath(ready.first());
    fs::last_write_time(changed, fs::last_write_time(changed) - std::chrono::hours(2));
    QCOMPARE(source.Find(ready.first(), nullptr), TThumbnailSource::State::Waiting);
  }

  // A photo this program rewrites gets its cell made again at once, without
  // a scroll or a repaint, even when only its date changed.
  void ACellIsMadeAgainWhenThisProgramRewritesItsPhoto() {
    InstallThumbnailRefresh();
    TempDir dir;
    const fs::path photo = dir / "a.jpg";
    const std::string bytes = MakeJpeg({.width = 256, .height = 192});
    WriteBytes(photo, bytes);
    TThumbnailSource source(ThumbnailSize::Normal);
    QSignalSpy ready(&source, &TThumbnailSource::Ready);
    source.Want({Q(photo)});
    QTRY_COMPARE(ready.count(), 1);
    WriteFileAtomic(photo, bytes);
    QTRY_COMPARE(ready.count(), 2);
    QCOMPARE(source.Find(Q(photo), nullptr), TThumbnailSource::State::Ready);
    SetWrittenFileObserver(nullptr);
  }
};

QTEST_MAIN(BrowserTest)
#include "BrowserTest.moc"
