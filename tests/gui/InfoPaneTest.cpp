// The info pane's keywords and stars: the keywords field written and read
// back (a duplicate dropped, a keyword over the limit refused), its
// completion from the folder, the rating by key and by click, both on a
// selection, Undo of a single photo's field write byte for byte, and Undo
// passing over a write that failed.
#include <QTest>
#include <cstdlib>

#include "app/InfoPane.h"
#include "app/KeywordCompletion.h"
#include "app/MainForm.h"
#include "app/RatingStars.h"
#include "app/SelectionCommands.h"
#include "app/BatchRun.h"
#include "file_list/gui/JpegList.h"
#include "photo_record/JpegBasicObject.h"
#include "platform/FileSystem.h"
#include "support/GuiTestSupport.h"
#include "support/TestSupport.h"

using namespace pixaldo;
using namespace pixaldo::test;

namespace {

using Words = std::vector<std::string>;

// A photo with these keywords, dated two days back.
fs::path Photo(const TempDir& dir, const std::string& name, const Words& keywords) {
  const fs::path file = dir / name;
  WriteBytes(file, MakeJpeg({.width = 64, .height = 48}));
  TMyIptcTags tags;
  tags.Keywords = keywords;
  TFieldEdits edits;
  edits.Keywords = true;
  TJpegBasicObject(file).WriteFields(tags, edits);
  SetFileDate(file, *GetFileDate(file) - std::chrono::hours(48));
  return file;
}

TMyIptcTags Read(const fs::path& file) {
  TJpegBasicObject record(file);
  record.ReadTags();
  return record.IptcFields;
}

QString Path(const fs::path& file) { return QString::fromStdString(file.string()); }

void Click(TRatingStars* stars, int star) {
  QTest::mouseClick(stars, Qt::LeftButton, Qt::NoModifier, stars->StarRect(star).center());
}

}  // namespace

class InfoPaneTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { ::setenv("XDG_CACHE_HOME", Cache.path().c_str(), 1); }

  void KeywordsWrittenReadBackRefusedOverTheLimitAndUndone() {
    MessageRecorder messages;
    TempDir dir;
    const fs::path file = Photo(dir, "a.jpg", {"sea", "sky"});
    const std::string original = ReadBytes(file);
    const auto date = GetFileDate(file);
    auto form = ShowForm({Path(file)});
    TInfoPane& info = *form->Info;
    QCOMPARE(info.EditKeywords->text(), QStringLiteral("sea, sky"));

    info.EditKeywords->setFocus();
    info.EditKeywords->setText(QStringLiteral("sea, sky, boat, sea, \"Prague, Old Town\""));
    QVERIFY(info.IPTCControlsExit());
    QCOMPARE(Read(file).Keywords, (Words{"sea", "sky", "boat", "Prague, Old Town"}));
    QCOMPARE(info.EditKeywords->text(), QStringLiteral("sea, sky, boat, \"Prague, Old Town\""));

    // Over 64 bytes: refused whole, the limit named, the typing kept.
    const std::string written = ReadBytes(file);
    const QString tooLong = QStringLiteral("sea, ") + QString(65, QLatin1Char('k'));
    info.EditKeywords->setText(tooLong);
    form->FileList->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), info.EditKeywords);
    QCOMPARE(messages.Errors(), 1);
    QVERIFY(messages.LastText().contains(QStringLiteral("64 bytes")));
    QCOMPARE(info.EditKeywords->text(), tooLong);
    QCOMPARE(ReadBytes(file), written);

    // Esc takes the stored keywords back; Undo puts the photo back as it was.
    QTest::keyClick(info.EditKeywords, Qt::Key_Escape);
    QCOMPARE(info.EditKeywords->text(), QStringLiteral("sea, sky, boat, \"Prague, Old Town\""));
    form->FileList->setFocus();
    form->Selection->UndoAction->trigger();
    QCOMPARE(ReadBytes(file), original);
    QCOMPARE(GetFileDate(file), date);
    QCOMPARE(info.EditKeywords->text(), QStringLiteral("sea, sky"));
  }

  void CompletionOffersTheFoldersKeywords() {
    TempDir dir;
    const fs::path first = Photo(dir, "a.jpg", {"sea"});
    Photo(dir, "b.jpg", {"boat", "Sky"});
    Photo(dir, "c.jpg", {"sea", "bridge"});
    auto form = ShowForm({Path(first)});
    TKeywordCompletion& completion = *form->Info->Completion;
    QTRY_COMPARE(completion.Keywords(), QStringList({"boat", "bridge", "sea", "Sky"}));
    form->Info->EditKeywords->setText(QStringLiteral("sea, b"));
    QCOMPARE(completion.splitPath(form->Info->EditKeywords->text()), QStringList{QStringLiteral("b")});
    completion.setCompletionPrefix(QStringLiteral("b"));
    QCOMPARE(completion.pathFromIndex(completion.currentIndex()), QStringLiteral("sea, boat"));
  }

  void RatingByKeyAndByClick() {
    MessageRecorder messages;
    TempDir dir;
    Photo(dir, "a.jpg", {});
    const fs::path file = Photo(dir, "b.jpg", {});
    auto form = ShowForm({Path(dir / "a.jpg")});
    TRatingStars* stars = form->Info->Stars;
    // The photo clicked in the list, its counter and commands with it.
    TJpegList* list = form->FileList;
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->topLevelItem(1)).center());
    QCOMPARE(form->Info->LblFileNo->text(), QStringLiteral("2/2"));
    QTest::keyClick(list, Qt::Key_3, Qt::AltModifier);
    QCOMPARE(Read(file).Rating, 3);
    QCOMPARE(stars->Rating(), 3);
    Click(stars, 5);
    QCOMPARE(Read(file).Rating, 5);
    form->Info->Edit2->setText(QStringLiteral("Harbour"));  // a text written keeps the stars
    QVERIFY(form->Info->IPTCControlsExit());
    QCOMPARE(stars->Rating(), 5);
    Click(stars, 5);  // the lit star again clears the rating
    QCOMPARE(Read(file).Rating, 0);
    QCOMPARE(stars->Rating(), 0);
    QCOMPARE(messages.Errors(), 0);

    // A write that fails is no command to undo: Undo still offers the text.
    form->Info->Edit2->setText(QStringLiteral("Pier"));
    QVERIFY(form->Info->IPTCControlsExit());
    fs::permissions(file, fs::perms::owner_read);
    Click(stars, 2);
    QCOMPARE(messages.Errors(), 1);
    QVERIFY(messages.LastText().contains(QStringLiteral("read-only")));
    QVERIFY(form->Selection->UndoAction->isEnabled());
    QCOMPARE(form->Selection->UndoAction->text(), QStringLiteral("Undo IPTC fields"));
  }

  void ASelectionGetsKeywordsAddedAndRemovedAndItsRating() {
    MessageRecorder messages;
    TempDir dir;
    const std::vector<fs::path> files{Photo(dir, "a.jpg", {"own", "trip"}), Photo(dir, "b.jpg", {"trip"}),
                                      Photo(dir, "c.jpg", {"trip", "x"})};
    auto form = ShowForm({Path(files[0])});
    TInfoPane& info = *form->Info;
    form->FileList->selectAll();
    QTRY_VERIFY(form->Selection->ShowsSeveral());
    QCOMPARE(info.EditKeywords->text(), QStringLiteral("trip"));
    QCOMPARE(info.EditKeywords->placeholderText(), QStringLiteral("(different values)"));

    info.EditKeywords->setText(QStringLiteral("trip, harbour, harbour"));
    QVERIFY(info.IPTCControlsExit());
    form->Selection->Run->Wait();
    const std::vector<Words> added{{"own", "trip", "harbour"}, {"trip", "harbour"}, {"trip", "x", "harbour"}};
    for (size_t i = 0; i < files.size(); ++i) QCOMPARE(Read(files[i]).Keywords, added[i]);

    info.EditKeywords->setText(QStringLiteral("harbour"));
    QVERIFY(info.IPTCControlsExit());
    form->Selection->Run->Wait();
    const std::vector<Words> removed{{"own", "harbour"}, {"harbour"}, {"x", "harbour"}};
    for (size_t i = 0; i < files.size(); ++i) QCOMPARE(Read(files[i]).Keywords, removed[i]);

    QTest::keyClick(form->FileList, Qt::Key_4, Qt::AltModifier | Qt::ShiftModifier);  // digits under Shift
    form->Selection->Run->Wait();
    for (const fs::path& file : files) QCOMPARE(Read(file).Rating, 4);
    QVERIFY(form->Selection->ShowsSeveral());
    QCOMPARE(messages.Errors(), 0);

    // Refused for the selection too: the focus goes back into the field.
    info.EditKeywords->setFocus();
    info.EditKeywords->setText(QStringLiteral("harbour, ") + QString(65, QLatin1Char('k')));
    form->FileList->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), info.EditKeywords);
    QCOMPARE(messages.Errors(), 1);
    QVERIFY(form->Selection->ShowsSeveral());
    for (size_t i = 0; i < files.size(); ++i) QCOMPARE(Read(files[i]).Keywords, removed[i]);
  }

 private:
  TempDir Cache;
};

QTEST_MAIN(InfoPaneTest)
#include "InfoPaneTest.moc"
