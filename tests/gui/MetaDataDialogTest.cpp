// The metadata window on copies of real camera files: what each tab shows,
// and what each command leaves in the file.
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTableWidget>
#include <QtTest>

#include "dialogs/DlgMetaData.h"
#include "platform/FileSystem.h"
#include "platform/IniFile.h"
#include "platform/gui/UserMessages.h"
#include "settings/LanguageTexts.h"
#include "settings/gui/DlgOptions.h"
#include "support/GuiTestSupport.h"
#include "support/JpegSegments.h"
#include "support/TestSupport.h"

using namespace pixaldo;
using namespace pixaldo::test;

namespace {

const FileTime kOldDate = FileTime(std::chrono::seconds(1'000'000'000));

// A window on a copy, with an old date on the file and no viewer started.
struct Fixture {
  explicit Fixture(const std::string& testFile, const std::string& name = "") {
    file = dir.Copy(testFile, name);
    SetFileDate(file, kOldDate);
    form.OpenFile = [this](const QString& opened) { this->opened << opened; };
    form.AskSourceFile = [this] { return source; };
    form.SetFileName(QString::fromStdString(file.string()));
    form.show();
  }
  std::string Bytes() const { return ReadBytes(file); }
  bool DateKept() const { return GetFileDate(file) == kOldDate; }
  QString Cell(QTableWidget* grid, int row, int column) const {
    QTableWidgetItem* item = grid->item(row, column);
    return item ? item->text() : QString();
  }
  bool GridEmpty(QTableWidget* grid) const { return grid->rowCount() == 1 && Cell(grid, 0, 0).isEmpty(); }

  TempDir dir;
  std::filesystem::path file;
  QString source;
  QStringList opened;
  MessageRecorder messages{QMessageBox::Ok};
  TFormMetaData form;
};

}  // namespace

class MetaDataDialogTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { ProgramLanguageTexts().Load(IniFile(SourcePath("settings/Language.ini")), 0); }

  void segmentTableInFileOrderWithOneEmptyRowAtTheEnd() {
    PIXALDO_QT_NEEDS_SAMPLES();
    Fixture f("cameras/DSCN0010.jpg");
    QCOMPARE(f.form.InfoPage->currentIndex(), 0);
    const std::vector<MarkerSegment> walk = MarkerSegments(f.Bytes());
    QTableWidget* grid = f.form.GridSegments;
    QCOMPARE(grid->columnWidth(0), 200);
    // The marker segments, then the picture data and EOI, then one empty row.
    QCOMPARE(grid->rowCount(), int(walk.size()) + 3);
    QCOMPARE(f.Cell(grid, 0, 0), QString("Start of image (SOI)"));
    for (size_t i = 0; i < walk.size(); ++i) {
      const int row = int(i);
      QCOMPARE(f.Cell(grid, row, 1), QString("FF%1").arg(walk[i].marker, 2, 16, QChar('0')).toUpper());
      QCOMPARE(f.Cell(grid, row, 2), QString("%1 B").arg(walk[i].offset));
      QCOMPARE(f.Cell(grid, row, 3), QString("%1 B").arg(walk[i].size));
    }
    for (int column = 0; column < 4; ++column) QVERIFY(f.Cell(grid, grid->rowCount() - 1, column).isEmpty());
    QVERIFY(!f.GridEmpty(f.form.GridGeneric));
    QVERIFY(!f.GridEmpty(f.form.GridThumbnail));
  }

  void thumbnailCaptionAndBox() {
    PIXALDO_QT_NEEDS_SAMPLES();
    Fixture with("cameras/DSCN0010.jpg");
    const QString caption = with.form.LblThumbImage->text();
    QVERIFY2(QRegularExpression(QString::fromUtf8("^Thumbnail \\(\\d+×\\d+\\)$")).match(caption).hasMatch(),
             qPrintable(caption));
    QVERIFY(with.form.BtnRestoreThumb->isEnabled());
    const QPixmap shown = with.form.Thumbnail->pixmap();
    QVERIFY(!shown.isNull());
    QVERIFY(shown.width() <= 160 && shown.height() <= 160);

    Fixture without("iptc/IPTC.jpg");
    QVERIFY(without.form.LblThumbImage->text().isEmpty());
    QVERIFY(without.form.Thumbnail->pixmap().isNull());
    QVERIFY(!without.form.BtnRestoreThumb->isEnabled());
    QVERIFY(without.GridEmpty(without.form.GridThumbnail));
  }

  void deleteExifPutsJfifAfterSoiAndKeepsTheDate() {
    PIXALDO_QT_NEEDS_SAMPLES();
    Fixture f("cameras/DSCN0010.jpg");
    const std::string before = f.Bytes();
    QTest::mouseClick(f.form.BtnDelExif, Qt::LeftButton);
    const std::string after = f.Bytes();
    const std::vector<MarkerSegment> walk = MarkerSegments(after);
    QVERIFY(walk.size() > 2);
    QCOMPARE(int(walk[1].marker), 0xE0);
    QVERIFY(walk[1].payload.starts_with(std::string("JFIF\0", 5)));
    // Only the first APP1 goes; the picture is untouched.
    QCOMPARE(CountSegments(after, 0xE1), CountSegments(before, 0xE1) - 1);
    QVERIFY(PictureData(after) == PictureData(before));
    QVERIFY(f.DateKept());
    // The window shows the file as it now is.
    QCOMPARE(f.Cell(f.form.GridSegments, 1, 0), QString("JFIF data (APP0)"));
    QVERIFY(f.GridEmpty(f.form.GridGeneric));
    QVERIFY(f.GridEmpty(f.form.GridThumbnail));
    QVERIFY(!f.form.BtnRestoreThumb->isEnabled());
    QVERIFY(f.messages.messages.empty());
  }

  void restoreMakesANewThumbnailFromThePicture() {
    PIXALDO_QT_NEEDS_SAMPLES();
    Fixture f("cameras/DSCN0010.jpg");
    const std::string before = f.Bytes();
    QTest::mouseClick(f.form.BtnRestoreThumb, Qt::LeftButton);
    QVERIFY(f.messages.messages.empty());
    const std::string after = f.Bytes();
    QVERIFY(after != before);
    QVERIFY(PictureData(after) == PictureData(before));
    QVERIFY(f.DateKept());
    QVERIFY(f.form.BtnRestoreThumb->isEnabled());
    QVERIFY(!f.form.Thumbnail->pixmap().isNull());
    if (HaveProgram("exiftool")) {
      const CommandResult thumb = Run({"exiftool", "-b", "-ThumbnailImage", f.file.string()});
      QImage decoded;
      QVERIFY(decoded.loadFromData(QByteArray::fromStdString(thumb.out), "JPEG"));
      QVERIFY(f.form.LblThumbImage->text().endsWith(
          QString::fromUtf8("(%1×%2)").arg(decoded.width()).arg(decoded.height())));
    }
    // Nothing is left behind beside the photo.
    QCOMPARE(f.dir.List(), std::vector<std::string>{"DSCN0010.jpg"});
  }

  void writeStoresTheCommentInUtf8() {
    PIXALDO_QT_NEEDS_SAMPLES();
    Fixture f("cameras/Canon_40D.jpg");
    const std::string before = f.Bytes();
    f.form.InfoPage->setCurrentIndex(2);
    f.form.MemoComment->setPlainText(QString::fromUtf8("Žluťoučký kůň"));
    QTest::mouseClick(f.form.BtnWriteComment, Qt::LeftButton);
    QVERIFY(f.messages.messages.empty());
    const std::string after = f.Bytes();
    QCOMPARE(FirstPayload(after, 0xFE).value_or("(none)"), std::string("Žluťoučký kůň"));
    QCOMPARE(FirstPayload(after, 0xE1), FirstPayload(before, 0xE1));
    QVERIFY(PictureData(after) == PictureData(before));
    QVERIFY(f.DateKept());
    QCOMPARE(f.form.MemoComment->toPlainText(), QString::fromUtf8("Žluťoučký kůň"));
    QCOMPARE(f.form.InfoPage->currentIndex(), 2);

    // A file with a comment, two APP1 and an APP2 segment: the comment is
    // replaced, nothing else is lost.
    Fixture g("cameras/Nikon_D70.jpg");
    const std::string old = g.Bytes();
    g.form.MemoComment->setPlainText("new");
    QTest::mouseClick(g.form.BtnWriteComment, Qt::LeftButton);
    const std::string now = g.Bytes();
    QCOMPARE(CountSegments(now, 0xFE), 1);
    QCOMPARE(FirstPayload(now, 0xFE), std::optional<std::string>("new"));
    QCOMPARE(CountSegments(now, 0xE1), CountSegments(old, 0xE1));
    QCOMPARE(FirstPayload(now, 0xE2), FirstPayload(old, 0xE2));
    QVERIFY(PictureData(now) == PictureData(old));
  }

  void writeTakesAnyLanguage() {
    PIXALDO_QT_NEEDS_SAMPLES();
    Fixture f("cameras/Canon_40D.jpg");
    f.form.MemoComment->setPlainText(QString::fromUtf8("Tokyo 東京"));
    QTest::mouseClick(f.form.BtnWriteComment, Qt::LeftButton);
    QVERIFY(f.messages.messages.empty());
    QCOMPARE(FirstPayload(f.Bytes(), 0xFE).value_or("(none)"), std::string("Tokyo 東京"));
    QCOMPARE(f.form.MemoComment->toPlainText(), QString::fromUtf8("Tokyo 東京"));
    QVERIFY(f.DateKept());
  }

  void deleteCommentAndDeleteIptcRemoveTheirBlocks() {
    PIXALDO_QT_NEEDS_SAMPLES();
    Fixture nikon("cameras/Nikon_D70.jpg");
    QVERIFY(!nikon.form.MemoComment->toPlainText().isEmpty());
    const std::string before = nikon.Bytes();
    QTest::mouseClick(nikon.form.BtnDelComment, Qt::LeftButton);
    QCOMPARE(CountSegments(nikon.Bytes(), 0xFE), CountSegments(before, 0xFE) - 1);
    QVERIFY(nikon.form.MemoComment->toPlainText().isEmpty());
    QVERIFY(nikon.DateKept());

    Fixture iptc("iptc/IPTC.jpg");
    QVERIFY(!iptc.GridEmpty(iptc.form.GridIPTC));
    QTest::mouseClick(iptc.form.BtnDelIptc, Qt::LeftButton);
    QCOMPARE(CountSegments(iptc.Bytes(), 0xED), 0);
    QVERIFY(iptc.GridEmpty(iptc.form.GridIPTC));
    QVERIFY(iptc.DateKept());
    // A second delete has nothing to remove: nothing changes, nothing is said.
    const std::string now = iptc.Bytes();
    QTest::mouseClick(iptc.form.BtnDelIptc, Qt::LeftButton);
    QVERIFY(iptc.Bytes() == now);
    QVERIFY(iptc.messages.messages.empty());
  }

  void loadFromFileImportsTheExifBlock() {
    PIXALDO_QT_NEEDS_SAMPLES();
    Fixture f("iptc/IPTC.jpg");
    const std::filesystem::path source = f.dir.Copy("cameras/Canon_40D.jpg");
    f.source = QString::fromStdString(source.string());
    QTest::mouseClick(f.form.BtnLoadExif, Qt::LeftButton);
    QVERIFY(f.messages.messages.empty());
    QCOMPARE(FirstPayload(f.Bytes(), 0xE1), FirstPayload(ReadBytes(source), 0xE1));
    QVERIFY(!f.GridEmpty(f.form.GridGeneric));
    QVERIFY(f.DateKept());

    // A source without EXIF, and a cancelled choice, change nothing.
    Fixture g("cameras/Canon_40D.jpg");
    const std::string before = g.Bytes();
    g.source = QString::fromStdString(g.dir.Copy("iptc/IPTC.jpg").string());
    QTest::mouseClick(g.form.BtnLoadExif, Qt::LeftButton);
    g.source.clear();
    QTest::mouseClick(g.form.BtnLoadExif, Qt::LeftButton);
    QVERIFY(g.Bytes() == before);
    QVERIFY(g.messages.messages.empty());
  }

  void exportWritesTheXmlBesideThePictureAndOpensIt() {
    PIXALDO_QT_NEEDS_SAMPLES();
    Fixture f("iptc/IPTC.jpg", "Photo.JPG");
    QTest::mouseClick(f.form.BtnXML, Qt::LeftButton);
    const std::filesystem::path xml = f.dir / "Photo.xml";
    QCOMPARE(f.opened, QStringList{QString::fromStdString(xml.string())});
    const std::string text = ReadBytes(xml);
    QVERIFY(text.starts_with("<?xml version='1.0' encoding='iso-8859-2'?>\r\n<dImageFile>\r\n"));
    QVERIFY(text.ends_with("</dImageFile>\r\n"));
    QVERIFY(text.find("<ITPCdata>") != std::string::npos);
    QVERIFY(text.find("\n\n") == std::string::npos && text.find("\r\r") == std::string::npos);

    // An existing file is overwritten; a file without APP13 has no IPTC part.
    Fixture g("cameras/Canon_40D.jpg", "Photo.jpg");
    WriteBytes(g.dir / "Photo.xml", "old");
    QTest::mouseClick(g.form.BtnXML, Qt::LeftButton);
    const std::string plain = ReadBytes(g.dir / "Photo.xml");
    QVERIFY(plain.find("<EXIFdata>") != std::string::npos);
    QVERIFY(plain.find("ITPCdata") == std::string::npos);
    QVERIFY(g.messages.messages.empty());
  }

  void failuresNameTheFileAndLeaveItAsItWas() {
    PIXALDO_QT_NEEDS_SAMPLES();
    Fixture f("cameras/DSCN0010.jpg");
    const std::string before = f.Bytes();
    FaultInjection::FailAt(1);
    QTest::mouseClick(f.form.BtnDelExif, Qt::LeftButton);
    FaultInjection::FailAt(0);
    QCOMPARE(int(f.messages.messages.size()), 1);
    QCOMPARE(f.messages.messages[0].icon, QMessageBox::Critical);
    QVERIFY(f.messages.messages[0].text.startsWith(QString::fromStdString(f.file.string())));
    QVERIFY(f.Bytes() == before);
    QVERIFY(f.form.isVisible());
    QVERIFY(!f.GridEmpty(f.form.GridGeneric));

    // The file is gone: each command says so once, the tabs are emptied.
    std::filesystem::remove(f.file);
    f.messages.messages.clear();
    QTest::mouseClick(f.form.BtnDelComment, Qt::LeftButton);
    QVERIFY(!f.messages.messages.empty());
    QVERIFY(f.messages.messages[0].text.startsWith(QString::fromStdString(f.file.string())));
    QVERIFY(f.GridEmpty(f.form.GridGeneric));
    QVERIFY(f.GridEmpty(f.form.GridSegments));
  }

  void damagedAndHostileFilesAreShownWithoutHarm() {
    PIXALDO_QT_NEEDS_SAMPLES();
    TempDir dir;
    MessageRecorder messages{QMessageBox::Ok};
    TFormMetaData form;
    form.OpenFile = [](const QString&) {};
    for (const char* folder : {"damaged", "hostile"}) {
      for (const auto& entry : std::filesystem::directory_iterator(TestData(folder))) {
        const std::filesystem::path copy = dir / (entry.path().filename().string() + ".jpg");
        std::filesystem::copy_file(entry.path(), copy);
        form.SetFileName(QString::fromStdString(copy.string()));
        form.Reload();
        form.BtnXMLClick();
        QVERIFY(form.GridSegments->rowCount() >= 1);
      }
    }
  }

  void captionsFollowTheLanguage() {
    PIXALDO_QT_NEEDS_SAMPLES();
    Fixture f("cameras/Canon_40D.jpg");
    QCOMPARE(f.form.windowTitle(), QString("JPEG file info"));
    ProgramLanguageTexts().Load(IniFile(SourcePath("settings/Language.ini")), 1);
    f.form.hide();
    f.form.show();
    const LanguageTexts& czech = ProgramLanguageTexts();
    QCOMPARE(f.form.windowTitle(), QString::fromStdString(czech.Utf8(82)));
    QCOMPARE(f.form.InfoPage->tabText(4), QString::fromStdString(czech.Utf8(101)));
    QCOMPARE(f.form.BtnDelExif->text(), QString::fromStdString(czech.Utf8(88)));
    QVERIFY(f.form.LblThumbImage->text().startsWith(QString::fromStdString(czech.Utf8(91)) + " ("));
    ProgramLanguageTexts().Load(IniFile(SourcePath("settings/Language.ini")), 0);
  }

  // PIXALDO_METADATA_SHOT=file.png saves the window as shown, for a look.
  void writesScreenshotWhenAsked() {
    PIXALDO_QT_NEEDS_SAMPLES();
    const QByteArray target = qgetenv("PIXALDO_METADATA_SHOT");
    if (target.isEmpty()) QSKIP("no screenshot requested");
    const int language = qEnvironmentVariableIntValue("PIXALDO_SHOT_LANGUAGE");
    ProgramLanguageTexts().Load(IniFile(SourcePath("settings/Language.ini")), language);
    Fixture f("cameras/DSCN0010.jpg");
    f.form.InfoPage->setCurrentIndex(qEnvironmentVariableIntValue("PIXALDO_SHOT_TAB"));
    QVERIFY(QTest::qWaitForWindowExposed(&f.form));
    QVERIFY(f.form.grab().save(QString::fromLocal8Bit(target)));
    ProgramLanguageTexts().Load(IniFile(SourcePath("settings/Language.ini")), 0);
  }

  // Another program wrote the comment after the window showed it: Write
  // asks which text to keep instead of overwriting it.
  void writeAsksWhenAnotherProgramChangedTheComment() {
    TempDir dir;
    const std::filesystem::path file = dir / "a.jpg";
    WriteBytes(file, InsertAfterSoi(MakeJpeg(), {Segment(0xFE, "shown")}));
    MessageRecorder messages{QMessageBox::Ok};
    TFormMetaData form;
    form.SetFileName(QString::fromStdString(file.string()));
    form.show();
    QCOMPARE(form.MemoComment->toPlainText(), QStringLiteral("shown"));
    std::vector<FieldConflict> asked;
    form.AskWhichText = [&](std::vector<FieldConflict>& conflicts) {
      asked = conflicts;
      conflicts[0].KeepEdited = false;
    };
    form.MemoComment->setPlainText(QStringLiteral("mine"));
    QCOMPARE(RunCli({"comment", file.string(), "theirs"}).exitCode, 0);
    QTest::mouseClick(form.BtnWriteComment, Qt::LeftButton);
    QCOMPARE(asked.size(), size_t(1));
    QCOMPARE(asked[0].Edited, std::string("mine"));
    QCOMPARE(asked[0].Current, std::string("theirs"));
    QCOMPARE(FirstPayload(ReadBytes(file), 0xFE), std::optional<std::string>("theirs"));
    QCOMPARE(form.MemoComment->toPlainText(), QStringLiteral("theirs"));
    QVERIFY(messages.messages.empty());
  }
};

QTEST_MAIN(MetaDataDialogTest)
#include "MetaDataDialogTest.moc"
