// The filter box above the list: both views limited to the photos it lets
// through, the shown photo never hidden, the counter, keys and selection on
// the rows in sight, files rewritten on disk looked at again, Esc clearing the box.
#include <QLineEdit>
#include <QTest>

#include "app/InfoPane.h"
#include "app/MainForm.h"
#include "file_list/gui/BrowserPane.h"
#include "file_list/gui/JpegList.h"
#include "file_list/gui/ListFilter.h"
#include "file_list/gui/ThumbnailGrid.h"
#include "photo_record/JpegBasicObject.h"
#include "support/GuiTestSupport.h"
#include "support/TestSupport.h"

using namespace pixaldo;
using namespace pixaldo::test;

namespace {

QString Q(const fs::path& path) { return PathToQString(path); }

void Tag(const fs::path& file, std::vector<std::string> keywords, int stars) {
  TJpegBasicObject record(file);
  record.ReadTags();
  TMyIptcTags tags = record.IptcFields;
  tags.Keywords = std::move(keywords);
  tags.Rating = stars;
  TFieldEdits edits;
  edits.Keywords = edits.Rating = true;
  record.WriteFields(tags, edits);
}

// The names of the rows in sight, in order.
QStringList ShownNames(const TJpegList& list) {
  QStringList names;
  for (int row = 0; row < list.FileCount(); ++row)
    if (!list.isRowHidden(row, QModelIndex())) names << list.FileNameAt(row);
  return names;
}

}  // namespace

class ListFilterTest : public QObject {
  Q_OBJECT

  TempDir cache_;

 private slots:
  void initTestCase() { qputenv("XDG_CACHE_HOME", QByteArray::fromStdString(cache_.path().string())); }

  void LimitsBothViewsButNeverHidesTheShownPhoto() {
    TempDir dir;
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg"}) WriteBytes(dir / name, MakeJpeg());
    Tag(dir / "a.jpg", {"Praha"}, 4);
    Tag(dir / "c.jpg", {"Brno"}, 5);
    Tag(dir / "e.jpg", {"Praha", "Vltava"}, 2);
    MessageRecorder messages;
    auto form = ShowForm({Q(dir / "b.jpg")});
    TJpegList* list = form->FileList;
    TListFilter* filter = form->Browser->Filter();
    QLineEdit* box = filter->Box();
    QVERIFY(!box->placeholderText().isEmpty());

    // At least three stars: b, shown, stays although it has none.
    box->setFocus();
    QTest::keyClicks(box, QStringLiteral("3*"));
    QTRY_COMPARE(ShownNames(*list), (QStringList{"a.jpg", "b.jpg", "c.jpg"}));
    // The counter tells the place among the photos in sight.
    QLabel* counter = form->Info->LblFileNo;
    QCOMPARE(counter->text(), QStringLiteral("2/3"));
    for (int row = 0; row < list->FileCount(); ++row)
      QCOMPARE(form->Browser->Grid()->isRowHidden(row), list->isRowHidden(row, QModelIndex()));

    // Keys move over the rows in sight; b, left, goes.
    list->setFocus();
    list->SelectNext();
    QCOMPARE(list->FileNameAt(list->SelectedIndex()), QStringLiteral("c.jpg"));
    QCOMPARE(ShownNames(*list), (QStringList{"a.jpg", "c.jpg"}));
    QCOMPARE(counter->text(), QStringLiteral("2/2"));
    const int stops = form->StopSignCount;
    list->SelectNext();
    QCOMPARE(form->StopSignCount, stops + 1);
    list->SelectPrevious();
    QCOMPARE(list->FileNameAt(list->SelectedIndex()), QStringLiteral("a.jpg"));
    // Ctrl+A selects what is in sight only.
    QTest::keyClick(list, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(list->SelectedPaths(), (QStringList{Q(dir / "a.jpg"), Q(dir / "c.jpg")}));

    // A keyword beginning, with the stars: a alone.
    box->setText(QStringLiteral("pra, 3*"));
    QCOMPARE(ShownNames(*list), (QStringList{"a.jpg"}));
    // Another program gives d the keyword and stars: it comes into sight.
    Tag(dir / "d.jpg", {"Prague"}, 3);
    QTRY_COMPARE(ShownNames(*list), (QStringList{"a.jpg", "d.jpg"}));
    QCOMPARE(counter->text(), QStringLiteral("1/2"));

    // Ctrl+F goes to the box; Esc there clears it, whatever the window's
    // commands use Esc for.
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
    QTest::keyClick(list, Qt::Key_F, Qt::ControlModifier);
    QVERIFY(box->hasFocus());
    QTest::keyClick(box, Qt::Key_Escape);
    QVERIFY(box->text().isEmpty());
    QCOMPARE(ShownNames(*list).size(), 5);
    QCOMPARE(counter->text(), QStringLiteral("1/5"));  // the folder again
    QTest::keyClick(box, Qt::Key_Escape);
    QVERIFY(list->hasFocus());
    QCOMPARE(messages.Errors(), 0);
  }
};

QTEST_MAIN(ListFilterTest)
#include "ListFilterTest.moc"
