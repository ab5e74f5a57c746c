// The press fields in the window: the page's common and different values,
// the metadata window's "IPTC" page (only edited fields written, another
// program's edits kept, a text too long refused naming field and limit),
// the fields set on a selection, and Undo of the metadata window's writes.
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <cstdlib>

#include "app/BatchRun.h"
#include "app/MainForm.h"
#include "app/SelectionCommands.h"
#include "dialogs/DlgAbout.h"
#include "dialogs/DlgMetaData.h"
#include "dialogs/PressFieldsPage.h"
#include "file_list/gui/JpegList.h"
#include "jpeg_structure/JpegObject.h"
#include "photo_record/PressEdits.h"
#include "platform/FileSystem.h"
#include "settings/OptionsStore.h"
#include "settings/SettingsLocation.h"
#include "settings/gui/DlgOptions.h"
#include "support/GuiTestSupport.h"
#include "support/JpegSegments.h"
#include "support/TestSupport.h"

using namespace pixaldo;
using namespace pixaldo::test;

namespace {

// A photo with these press fields set, dated two days back.
fs::path Photo(const TempDir& dir, const std::string& name, const PressEdits& fields) {
  const fs::path file = dir / name;
  WriteBytes(file, InsertAfterSoi(MakeJpeg({.width = 64, .height = 48}), {Segment(0xFE, "note")}));
  TPressEdits::Write(file, fields);
  SetFileDate(file, *GetFileDate(file) - std::chrono::hours(48));
  return file;
}

PressEdits Fields(std::initializer_list<std::pair<PressField, const char*>> fields) {
  PressEdits edits;
  for (const auto& [field, text] : fields) edits[field] = text;
  return edits;
}

}  // namespace

class PressFieldsTest : public QObject {
  Q_OBJECT

  TempDir cache_;

 private slots:
  void initTestCase() { ::setenv("XDG_CACHE_HOME", cache_.path().c_str(), 1); }

  void ThePageShowsCommonTextsAndTakesOnlyTypedFields() {
    TPressFieldsPage page;
    PressTexts a{}, b{};
    a[City] = b[City] = "Brno";
    a[ByLine] = "Anna";
    b[ByLine] = "Petr";
    page.ShowPhotos({a, b});
    QCOMPARE(page.Field(City)->text(), QStringLiteral("Brno"));
    QCOMPARE(page.Field(ByLine)->text(), QString());
    QCOMPARE(page.Field(ByLine)->placeholderText(), QStringLiteral("(different values)"));
    QCOMPARE(page.Field(Credit)->placeholderText(), QString());
    QVERIFY(!page.AnyEdited());
    page.Field(Credit)->setText(QStringLiteral("Agency"));
    const PressEdits edits = page.Edited();
    for (const PressFieldRow& row : kPressFields)
      QCOMPARE(edits[row.Field].has_value(), row.Field == Credit);
  }

  void TheMetadataWindowWritesEditedFieldsAndRefusesTooLong() {
    TempDir dir;
    const fs::path file = Photo(dir, "a.jpg", Fields({{ByLine, "Anna"}, {City, "Brno"}}));
    MessageRecorder messages{QMessageBox::Ok};
    TFormMetaData form;
    form.SetFileName(PathToQString(file));
    form.show();
    TPressFieldsPage* page = form.PressPage;
    QCOMPARE(page->Field(ByLine)->text(), QStringLiteral("Anna"));

    // Another program writes the city meanwhile: it stays, only the
    // headline typed here is written.
    page->Field(Headline)->setText(QStringLiteral("Flood in the centre"));
    TPressEdits::Write(file, Fields({{City, "Olomouc"}}));
    QTest::mouseClick(page->WriteButton(), Qt::LeftButton);
    PressTexts now = TPressEdits::Read(file);
    QCOMPARE(now[Headline], std::string("Flood in the centre"));
    QCOMPARE(now[City], std::string("Olomouc"));
    QCOMPARE(now[ByLine], std::string("Anna"));
    QCOMPARE(page->Field(City)->text(), QStringLiteral("Olomouc"));  // shown again from the file
    QVERIFY(messages.messages.empty());

    // 33 bytes for a credit of 32: refused, named, nothing written.
    const std::string before = ReadBytes(file);
    page->Field(Credit)->setText(QString(33, QLatin1Char('c')));
    QTest::mouseClick(page->WriteButton(), Qt::LeftButton);
    QCOMPARE(messages.messages.size(), size_t(1));
    QVERIFY(messages.LastText().contains(QStringLiteral("Credit")));
    QVERIFY(messages.LastText().contains(QStringLiteral("32")));
    QCOMPARE(ReadBytes(file), before);
  }

  void TheMetadataWindowsWritesAreUndone() {
    TempDir dir;
    const fs::path file = Photo(dir, "a.jpg", Fields({{ByLine, "Anna"}}));
    const Snapshot before = SnapshotOf({file});
    MessageRecorder messages{QMessageBox::Ok};
    auto form = ShowForm({PathToQString(file)});
    SetSettingsDirectory(dir.path() / "settings");
    OptionsStore store(OptionsFilePath());
    TFormOptions options(store, SourcePath("settings/Language.ini"));
    TFormMetaData metaData;
    TFormAbout about;
    form->SetDialogs(&options, &metaData, &about);
    metaData.SetFileName(form->CurrentFile);
    metaData.show();

    // A delete, then the press fields: each is a command of its own.
    QTest::mouseClick(metaData.BtnDelComment, Qt::LeftButton);
    const Snapshot deleted = SnapshotOf({file});
    QVERIFY(deleted != before);
    metaData.PressPage->Field(ByLine)->setText(QStringLiteral("Petr"));
    QTest::mouseClick(metaData.PressPage->WriteButton(), Qt::LeftButton);
    QCOMPARE(TPressEdits::Read(file)[ByLine], std::string("Petr"));
    metaData.close();
    QVERIFY(form->Selection->UndoAction->isEnabled());
    form->Selection->UndoAction->trigger();
    QVERIFY(SnapshotOf({file}) == deleted);
    form->Selection->UndoAction->trigger();
    QVERIFY(SnapshotOf({file}) == before);  // bytes and date
    QCOMPARE(messages.Errors(), 0);
  }

  void FieldsTypedForASelectionAreWrittenToEachAloneAndUndone() {
    TempDir dir;
    const std::vector<fs::path> files{Photo(dir, "a.jpg", Fields({{ByLine, "Anna"}, {City, "Brno"}})),
                                      Photo(dir, "b.jpg", Fields({{ByLine, "Petr"}})),
                                      Photo(dir, "c.jpg", Fields({}))};
    const Snapshot before = SnapshotOf(files);
    MessageRecorder messages;
    auto form = ShowForm({PathToQString(files[0])});
    form->FileList->selectAll();
    std::vector<PressTexts> shown;
    form->Selection->AskPressFields = [&](const std::vector<PressTexts>& photos) {
      shown = photos;
      return Fields({{Country, "Czechia"}, {Source, ""}});
    };
    form->Selection->PressFields();
    form->Selection->Run->Wait();
    QCOMPARE(shown.size(), size_t(3));
    const std::array<const char*, 3> byLines{"Anna", "Petr", ""};
    for (size_t i = 0; i < files.size(); ++i) {
      const PressTexts now = TPressEdits::Read(files[i]);
      QCOMPARE(now[Country], std::string("Czechia"));
      QCOMPARE(now[ByLine], std::string(byLines[i]));
    }
    QCOMPARE(TPressEdits::Read(files[0])[City], std::string("Brno"));
    form->Selection->UndoAction->trigger();
    QVERIFY(SnapshotOf(files) == before);
    QCOMPARE(messages.Errors(), 0);
  }
};

QTEST_MAIN(PressFieldsTest)
#include "PressFieldsTest.moc"
