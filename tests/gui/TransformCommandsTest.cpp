// The lossless transforms run from the viewer (in place or into a copy named
// in the save dialog) and the directory database export command. Results are
// compared with what jpegtran itself makes of the same file.
#include <QApplication>
#include <QDir>
#include <QMouseEvent>
#include <QTest>

#include "app/MainForm.h"
#include "exif/Orientation.h"
#include "file_list/gui/JpegList.h"
#include "jpeg_structure/JpegObject.h"
#include "photo_view/gui/PhotoImage.h"
#include "platform/FileSystem.h"
#include "transforms/JpegTran.h"
#include "transforms/gui/SaveAsDialog.h"
#include "support/ExifBuilder.h"
#include "support/GuiTestSupport.h"
#include "support/TestSupport.h"

using namespace pixaldo;
using namespace pixaldo::test;

namespace {

QString Q(const fs::path& path) { return QString::fromStdString(path.string()); }

// jpegtran's own output for `input` with `switches`, with the EXIF picture
// size corrected (jpegtran leaves it stale unless the EXIF block comes first).
std::string JpegTranOutput(const fs::path& input, std::vector<std::string> switches) {
  TempDir scratch;
  const fs::path output = scratch / "out.jpg";
  std::vector<std::string> argv{"jpegtran"};
  argv.insert(argv.end(), switches.begin(), switches.end());
  argv.insert(argv.end(), {"-outfile", output.string(), input.string()});
  const CommandResult result = Run(argv);
  if (result.exitCode != 0) return {};
  std::string bytes = ReadBytes(output);
  UpdateExifAfterTurn(bytes, std::nullopt);
  return bytes;
}

// A file's date moved back by a day, so that keeping it shows.
FileTime AgeFile(const fs::path& file) {
  const FileTime old = *GetFileDate(file) - std::chrono::hours(24);
  SetFileDate(file, old);
  return old;
}

struct Case {
  const char* Command;
  Qt::Key Key;  // 0: no shortcut
  std::vector<std::string> Switches;
  const char* Suffix;
};

const Case kCases[] = {
    {"JpgRotateRight", Qt::Key_R, {"-copy", "all", "-rotate", "90"}, "_rot"},
    {"JpgRotateLeft", Qt::Key_L, {"-copy", "all", "-rotate", "270"}, "_rot"},
    {"JpgFlipHorizontal", Qt::Key_H, {"-copy", "all", "-flip", "horizontal"}, "_flip"},
    {"JpgFlipVertical", Qt::Key_V, {"-copy", "all", "-flip", "vertical"}, "_flip"},
};

MainWindowSettings Settings(bool overwrite) {
  MainWindowSettings settings = DefaultSettings();
  settings.OverwriteRotaFlip = overwrite;
  settings.ThumbAuto = false;  // byte-for-byte jpegtran's output
  settings.OriginalFileDate = true;
  return settings;
}


}  // namespace

class TransformCommandsTest : public QObject {
  Q_OBJECT

 private slots:
  void RunsOffTheWindowThreadAndHoldsOtherFileCommands() {
    TempDir dir;
    const fs::path file = dir / "a.jpg";
    WriteBytes(file, MakeJpeg({.width = 320, .height = 240}));
    WriteBytes(dir / "b.jpg", MakeJpeg());
    const std::string rotated = JpegTranOutput(file, {"-copy", "all", "-rotate", "90"});
    auto form = ShowForm({Q(file)}, Settings(true));
    const QString shown = form->CurrentFile;
    form->Action("JpgRotateRight")->trigger();
    // The window is back at once, busy, and refuses other file commands.
    QVERIFY(form->TransformRunning());
    QVERIFY(QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::BusyCursor);
    for (const char* command : {"JpgFlipVertical", "FileNext", "FileRename", "FileDelete", "FileMetadataShow",
                                "AppDirDatabase", "AppDirOpen"})
      QVERIFY2(!form->Action(command)->isEnabled(), command);
    QVERIFY(!form->Info->Edit2->isEnabled());
    form->RunTransform(TransformKind::FlipVertical);
    QTest::keyClick(form->FileList, Qt::Key_Down);
    QVERIFY(WaitForTransform(*form));
    QVERIFY(ReadBytes(file) == rotated);  // rotated, and nothing else
    QVERIFY(!QApplication::overrideCursor());
    QVERIFY(form->Action("FileNext")->isEnabled() && form->Action("JpgFlipVertical")->isEnabled());
    QCOMPARE(form->CurrentFile, shown);
    QCOMPARE(form->PhotoView->PictureSize(), QSize(240, 320));  // the picture turned with the file

    // Closing the window waits for the run: the file is whole when it is gone.
    const std::string twice = JpegTranOutput(file, {"-copy", "all", "-rotate", "90"});
    form->Action("JpgRotateRight")->trigger();
    form->close();
    QVERIFY(ReadBytes(file) == twice);
  }

  void EachTransformInPlaceFromItsShortcut() {
    PIXALDO_QT_NEEDS_SAMPLES();
    for (const Case& test : kCases) {
      TempDir dir;
      const fs::path file = dir.Copy("cameras/Canon_40D.jpg", "a.jpg");
      const std::string expected = JpegTranOutput(file, test.Switches);
      QVERIFY(!expected.empty());
      const FileTime date = AgeFile(file);
      auto form = ShowForm({Q(dir.path())}, Settings(true));
      bool asked = false;
      form->AskTransformTarget = [&](const QString&) { return asked = true, QString(); };
      QTest::keyClick(form->FileList, test.Key, Qt::ControlModifier);
      QVERIFY(WaitForTransform(*form));
      QVERIFY2(ReadBytes(file) == expected, test.Command);
      QVERIFY(!asked);
      QCOMPARE(*GetFileDate(file), date);
      QCOMPARE(form->CurrentFile, Q(file));  // shown again
      QCOMPARE(form->FileList->FileCount(), 1);
    }
  }

  void EachTransformIntoACopyNamedInTheDialog() {
    PIXALDO_QT_NEEDS_SAMPLES();
    for (const Case& test : kCases) {
      TempDir dir;
      const fs::path file = dir.Copy("cameras/Canon_40D.jpg", "IMG.0001.jpg");
      dir.Copy("cameras/Nikon_D70.jpg", "z.jpg");
      const std::string original = ReadBytes(file);
      auto form = ShowForm({Q(file)}, Settings(false));
      QString proposed;
      form->AskTransformTarget = [&](const QString& name) { return proposed = name; };
      QTest::keyClick(form->FileList, test.Key, Qt::ControlModifier);
      QVERIFY(WaitForTransform(*form));
      const fs::path copy = dir / (std::string("IMG.0001") + test.Suffix + ".jpg");
      QCOMPARE(proposed, Q(copy));
      QVERIFY2(ReadBytes(copy) == JpegTranOutput(file, test.Switches), test.Command);
      QVERIFY(ReadBytes(file) == original);
      // The new file is listed and shown.
      QCOMPARE(form->FileList->FileCount(), 3);
      QCOMPARE(form->CurrentFile, Q(copy));
    }
  }

  void CopyIntoAnotherFolderSelectsTheSameNameHere() {
    PIXALDO_QT_NEEDS_SAMPLES();
    TempDir dir, other;
    const fs::path file = dir.Copy("cameras/Canon_40D.jpg", "a.jpg");
    dir.Copy("cameras/Nikon_D70.jpg", "b.jpg");
    auto form = ShowForm({Q(file)}, Settings(false));
    const auto copyTo = [&](const char* name) {
      form->FileList->SelectByName(Q(file));
      form->AskTransformTarget = [&](const QString&) { return Q(other / name); };
      form->Action("JpgRotateRight")->trigger();
      QVERIFY(WaitForTransform(*form));
      QVERIFY(fs::exists(other / name));
      QCOMPARE(QDir(form->FileList->Directory()).canonicalPath(), QDir(Q(dir.path())).canonicalPath());
      QCOMPARE(form->FileList->FileCount(), 2);
    };
    // The listed folder's file of the same name is selected and shown.
    copyTo("b.jpg");
    QCOMPARE(form->CurrentFile, Q(dir / "b.jpg"));
    // No such file here: nothing is selected.
    copyTo("c.jpg");
    QCOMPARE(form->FileList->SelectedIndex(), -1);
  }

  void SaveDialogPreviewsThePicture() {
    PIXALDO_QT_NEEDS_SAMPLES();
    TempDir dir;
    const fs::path file = dir.Copy("photos/jolla.jpg", "a.jpg");
    WriteBytes(dir / "b.jpg", "not a picture");
    TSaveAsDialog dialog(nullptr);
    dialog.ShowPreview(Q(file));
    const QPixmap shown = dialog.Preview->pixmap();
    QVERIFY(!shown.isNull());
    QVERIFY(shown.width() <= 160 && shown.height() <= 160 && shown.width() > shown.height());
    dialog.ShowPreview(Q(dir / "b.jpg"));
    QVERIFY(dialog.Preview->pixmap().isNull());
  }

  void CancelledDialogTransformsNothing() {
    PIXALDO_QT_NEEDS_SAMPLES();
    TempDir dir;
    const fs::path file = dir.Copy("cameras/Canon_40D.jpg", "a.jpg");
    const std::string original = ReadBytes(file);
    auto form = ShowForm({Q(dir.path())}, Settings(false));
    form->AskTransformTarget = [](const QString&) { return QString(); };
    form->Action("JpgRotateRight")->trigger();
    QVERIFY(WaitForTransform(*form));
    QVERIFY(ReadBytes(file) == original);
    QCOMPARE(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
  }

  void TrimAndThumbnailAsSet() {
    PIXALDO_QT_NEEDS_SAMPLES();
    TempDir dir;
    const fs::path file = dir.Copy("cameras/Canon_40D.jpg", "a.jpg");
    const std::string trimmed = JpegTranOutput(file, {"-copy", "all", "-rotate", "90", "-trim"});
    MainWindowSettings settings = Settings(true);
    settings.AlwaysTrim = true;
    settings.ThumbAuto = true;
    auto form = ShowForm({Q(dir.path())}, settings);
    form->Action("JpgRotateRight")->trigger();
    QVERIFY(WaitForTransform(*form));
    // Same picture as jpegtran's trimmed one; the thumbnail was made anew
    // from it, upright now.
    QVERIFY(PictureData(ReadBytes(file)) == PictureData(trimmed));
    TJpegObject object(file, true);
    object.Load();
    object.LocateThumbnail();
    const auto thumbnail = object.GetThumbnailImage();
    QVERIFY(thumbnail.has_value());
    QVERIFY(thumbnail->height > thumbnail->width);
  }

  void MetadataDeleteAlwaysAsksForANewName() {
    PIXALDO_QT_NEEDS_SAMPLES();
    TempDir dir;
    const fs::path file = dir.Copy("cameras/Canon_40D.jpg", "a.jpg");
    MainWindowSettings settings = Settings(true);
    settings.OverwriteCropCheckBox = true;
    auto form = ShowForm({Q(dir.path())}, settings);
    QString proposed;
    form->AskTransformTarget = [&](const QString& name) { return proposed = name; };
    form->Action("JpgMetadataDelete")->trigger();
    QVERIFY(WaitForTransform(*form));
    QCOMPARE(proposed, Q(dir / "a_nometa.jpg"));
    QVERIFY(ReadBytes(dir / "a_nometa.jpg") == JpegTranOutput(file, {"-copy", "none"}));
  }

  void CropOfTheDrawnFrame() {
    PIXALDO_QT_NEEDS_SAMPLES();
    for (const bool overwrite : {false, true}) {
      TempDir dir;
      const fs::path file = dir.Copy("cameras/Canon_40D.jpg", "a.jpg");
      MainWindowSettings settings = Settings(false);
      settings.CropSuffix = QStringLiteral("_cut");
      settings.OverwriteCropCheckBox = overwrite;
      settings.AlwaysTrim = true;  // never passed to a crop
      auto form = ShowForm({Q(dir.path())}, settings);
      form->AskTransformTarget = [](const QString& name) { return name; };
      DrawCropFrame(*form);
      const std::string geometry = form->PhotoView->CropGeometry().toStdString();
      QVERIFY(!geometry.empty());
      const std::string expected = JpegTranOutput(file, {"-copy", "all", "-crop", geometry});
      QTest::keyClick(form->FileList, Qt::Key_C, Qt::ControlModifier);
      QVERIFY(WaitForTransform(*form));
      QVERIFY(ReadBytes(overwrite ? file : dir / "a_cut.jpg") == expected);
      QCOMPARE(fs::exists(dir / "a_cut.jpg"), !overwrite);
    }
  }

  void FailureIsReportedAndTheFileKept() {
    PIXALDO_QT_NEEDS_SAMPLES();
    TempDir dir;
    const fs::path file = dir.Copy("cameras/Canon_40D.jpg", "a.jpg");
    const std::string original = ReadBytes(file);
    auto form = ShowForm({Q(dir.path())}, Settings(false));
    MessageRecorder messages;
    form->AskTransformTarget = [&](const QString&) { return Q(dir / "missing" / "a_rot.jpg"); };
    form->Action("JpgRotateRight")->trigger();
    QVERIFY(WaitForTransform(*form));
    QCOMPARE(messages.Errors(), 1);
    QVERIFY(messages.LastText().contains(QStringLiteral("a_rot.jpg")));
    QVERIFY(ReadBytes(file) == original);
  }

  void TypedCaptionGoesIntoTheCopy() {
    PIXALDO_QT_NEEDS_SAMPLES();
    TempDir dir;
    dir.Copy("cameras/Canon_40D.jpg", "a.jpg");
    auto form = ShowForm({Q(dir.path())}, Settings(false));
    form->AskTransformTarget = [](const QString& name) { return name; };
    form->Info->Edit2->setText(QStringLiteral("Harbour"));
    form->Action("JpgFlipVertical")->trigger();
    QVERIFY(WaitForTransform(*form));
    QCOMPARE(form->Info->Edit2->text(), QStringLiteral("Harbour"));  // the copy carries it
    QCOMPARE(form->CurrentFile, Q(dir / "a_flip.jpg"));
  }

  void DatabaseExportByExactExtension() {
    PIXALDO_QT_NEEDS_SAMPLES();
    TempDir dir;
    dir.Copy("cameras/Canon_40D.jpg", "a.jpg");
    dir.Copy("cameras/Nikon_D70.jpg", "b.jpg");
    TempDir out;
    auto form = ShowForm({Q(dir.path())});
    QString askedIn;
    QStringList opened;
    form->OpenDocument = [&](const QString& name) { opened << name; };
    for (const char* name : {"PixaldoInfo.xml", "PixaldoInfo.txt", "Upper.XML", "other.csv"}) {
      form->AskDatabaseName = [&](const QString& directory) {
        askedIn = directory;
        return Q(out / name);
      };
      form->Action("AppDirDatabase")->trigger();
    }
    QCOMPARE(fs::path(askedIn.toStdString()), fs::path(form->FileList->Directory().toStdString()));
    QCOMPARE(opened, QStringList({Q(out / "PixaldoInfo.xml"), Q(out / "PixaldoInfo.txt")}));
    const std::string xml = ReadBytes(out / "PixaldoInfo.xml");
    QVERIFY(xml.starts_with("<?xml"));
    QVERIFY(xml.find("a.jpg") != std::string::npos && xml.find("b.jpg") != std::string::npos);
    const std::string csv = ReadBytes(out / "PixaldoInfo.txt");
    QCOMPARE(std::count(csv.begin(), csv.end(), '\n'), 3);  // header and two rows
    QVERIFY(!fs::exists(out / "Upper.XML") && !fs::exists(out / "other.csv"));
  }

  void DatabaseExportFailureOpensNothing() {
    PIXALDO_QT_NEEDS_SAMPLES();
    TempDir dir;
    dir.Copy("cameras/Canon_40D.jpg", "a.jpg");
    auto form = ShowForm({Q(dir.path())});
    MessageRecorder messages;
    bool opened = false;
    form->OpenDocument = [&](const QString&) { opened = true; };
    form->AskDatabaseName = [&](const QString&) { return Q(dir / "no" / "PixaldoInfo.xml"); };
    form->Action("AppDirDatabase")->trigger();
    QCOMPARE(messages.Errors(), 1);
    QVERIFY(messages.LastText().contains(QStringLiteral("PixaldoInfo.xml")));
    QVERIFY(!opened);
  }

  // 72 × 40 pixels in blocks of 16: a quarter turn to the right would leave
  // the last 8 pixels of the right edge unturned. The window asks once;
  // Cancel leaves the file, Trim gives jpegtran's trimmed result, and with
  // "Always trim" set nothing is asked. Rotate by EXIF may leave it as it is.
  void UnturnedEdgesAreAskedAbout() {
    TempDir dir;
    const fs::path file = dir / "a.jpg";
    WriteBytes(file, MakeJpeg({.width = 72, .height = 40}));
    const std::string original = ReadBytes(file);
    MainWindowSettings settings = Settings(true);
    auto form = ShowForm({Q(file)}, settings);
    std::vector<std::vector<PhotoEdges>> asked;
    std::vector<bool> offeredLeave;
    EdgeChoice answer{EdgeChoice::Cancel};
    form->AskAboutUnturnedEdges = [&](const std::vector<PhotoEdges>& photos, bool offerLeave) {
      asked.push_back(photos);
      offeredLeave.push_back(offerLeave);
      return answer;
    };
    form->Action("JpgRotateRight")->trigger();
    QVERIFY(WaitForTransform(*form));
    QCOMPARE(asked.size(), size_t(1));
    QCOMPARE(EdgeQuestionText(asked[0]), QStringLiteral("The last 8 pixels of the right edge cannot be turned losslessly."));
    QVERIFY(!offeredLeave[0]);
    QVERIFY(ReadBytes(file) == original);

    answer = {EdgeChoice::Trim};
    form->Action("JpgRotateRight")->trigger();
    QVERIFY(WaitForTransform(*form));
    WriteBytes(dir / "orig.jpg", original);
    QVERIFY(ReadBytes(file) == JpegTranOutput(dir / "orig.jpg", {"-copy", "all", "-rotate", "90", "-trim"}));

    settings.AlwaysTrim = true;
    form->ReadSettings = [settings] { return settings; };
    WriteBytes(file, original);
    form->ReloadPhoto(Q(file));
    form->Action("JpgFlipVertical")->trigger();
    QVERIFY(WaitForTransform(*form));
    QCOMPARE(asked.size(), size_t(2));
    QVERIFY(ReadBytes(file) == JpegTranOutput(dir / "orig.jpg", {"-copy", "all", "-flip", "vertical", "-trim"}));

    // Stored turned a quarter to the right: turning it upright leaves the
    // stored bottom edge (8 pixels short of a block) along the right edge.
    TiffBuilder tiff;
    tiff.Directory(8, {tiff.Short(0x0112, 6)});
    WriteBytes(file, InsertAfterSoi(original, {tiff.ExifSegment()}));
    settings.AlwaysTrim = false;
    form->ReadSettings = [settings] { return settings; };
    form->ReloadPhoto(Q(file));
    answer = {EdgeChoice::Leave};
    form->Action("JpgRotateByExif")->trigger();
    QVERIFY(WaitForTransform(*form));
    QCOMPARE(asked.size(), size_t(3));
    QVERIFY(offeredLeave[2]);
    QVERIFY((asked[2][0].edges == std::vector<UnturnedEdge>{{PictureEdge::Right, 8}}));
    QCOMPARE(ReadFileOrientation(file), Orientation::Upright);
  }
};

QTEST_MAIN(TransformCommandsTest)
#include "TransformCommandsTest.moc"
