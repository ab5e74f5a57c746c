// Takes the screenshots in docs/: the main window, the thumbnail grid, the settings window (two
// pages), the metadata window, the about window and the save dialog, in
// English and in Czech, and a phone photo stored sideways shown upright, each
// grabbed from the display server as the user would see it.
//   screenshots PHOTO_FOLDER OUTPUT_FOLDER [--scaled]
// With --scaled only the main window is taken, as screenshot-scale2.png (run
// with QT_SCALE_FACTOR=2, as a high-density screen draws it); with --zoom
// the main window in the three fit modes and at actual pixels.
// Run under xvfb-run (scripts/screenshots does).
#include <QApplication>
#include <QDir>
#include <QScreen>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include "app/MainForm.h"
#include "app/MainWindowSettings.h"
#include "app/PicturePane.h"
#include "dialogs/DlgAbout.h"
#include "dialogs/DlgMetaData.h"
#include "file_list/gui/BrowserPane.h"
#include "file_list/gui/JpegList.h"
#include "photo_view/gui/PhotoImage.h"
#include "file_list/gui/ThumbnailGrid.h"
#include "file_list/gui/ThumbnailSource.h"
#include "settings/OptionsStore.h"
#include "settings/SettingsLocation.h"
#include "settings/gui/DlgOptions.h"
#include "transforms/gui/SaveAsDialog.h"

using namespace pixaldo;

namespace {

void Save(QWidget* window, const QString& file) {
  window->raise();
  window->activateWindow();
  QTest::qWait(400);
  const QRect frame = window->frameGeometry();
  QApplication::primaryScreen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height()).save(file);
}

// Opens a modal window with the main window's command, saves it and closes
// it again.
void SaveModal(QAction* command, QDialog& dialog, const QString& file, const std::function<void()>& prepare = {}) {
  QTimer::singleShot(0, [&] {
    if (prepare) prepare();
    Save(&dialog, file);
    dialog.reject();
  });
  command->trigger();
}

// A landscape photo in each fit mode, in a window wider than the photo,
// and at actual pixels (one photo pixel on one screen pixel).
void SaveZoom(TFormMain& form, const QDir& folder, const QString& out) {
  form.resize(1400, 760);
  form.FileList->SelectByName(folder.filePath(QStringLiteral("landscape.jpg")));
  QTest::qWait(200);
  const std::pair<FitMode, const char*> modes[] = {
      {FitMode::Square, "fit-square"}, {FitMode::Window, "fit-window"}, {FitMode::Width, "fit-width"}};
  for (const auto& [mode, name] : modes) {
    form.Picture->SetChoice({mode});
    form.Picture->Fit();
    Save(&form, out + QStringLiteral("/%1.png").arg(QLatin1String(name)));
  }
  form.PhotoView->ActualPixels();
  Save(&form, out + QStringLiteral("/zoom-actual.png"));
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  if (argc < 3) return 2;
  const QString photos = QString::fromLocal8Bit(argv[1]);
  const QString out = QString::fromLocal8Bit(argv[2]);
  const bool scaled = argc > 3 && QByteArray(argv[3]) == "--scaled";
  const bool zoom = argc > 3 && QByteArray(argv[3]) == "--zoom";
  const QDir settingsDir(QDir::temp().filePath(QStringLiteral("pixaldo-shots")));
  settingsDir.mkpath(QStringLiteral("."));
  SetSettingsDirectory(settingsDir.path().toStdString());
  // Thumbnails into a cache of their own, not the desktop's.
  qputenv("XDG_CACHE_HOME", settingsDir.filePath(QStringLiteral("cache")).toLocal8Bit());

  for (const auto& [language, suffix] : {std::pair{0, ""}, std::pair{1, "-cs"}}) {
    OptionsStore& store = ViewerOptions();
    store.SetInteger("Language", language);
    store.SaveSettings();
    TFormMain form({photos});
    TFormOptions options(store);
    TFormMetaData metaData;
    TFormAbout about;
    form.SetDialogs(&options, &metaData, &about);
    form.resize(1100, 720);
    form.show();
    // A camera photo (with its EXIF data) when the folder has one.
    const QDir folder(photos);
    form.FileList->SelectByName(folder.filePath(folder.exists(QStringLiteral("camera.jpg")) ? QStringLiteral("camera.jpg")
                                                                                           : QStringLiteral("img1.jpg")));
    if (scaled) {
      Save(&form, out + QStringLiteral("/screenshot-scale2.png"));
      return 0;
    }
    if (zoom) {
      SaveZoom(form, folder, out);
      return 0;
    }
    Save(&form, out + QStringLiteral("/screenshot%1.png").arg(suffix));
    // The folder as a grid of thumbnails in place of the picture, two photos selected.
    form.Browser->KeepChoice = nullptr;
    form.Action("AppThumbnails")->trigger();
    QTest::keyClick(form.Browser->Grid(), Qt::Key_Right, Qt::ShiftModifier);
    QTest::qWaitFor([&] { return form.Browser->Grid()->Source()->Idle(); }, 10000);
    Save(&form, out + QStringLiteral("/grid%1.png").arg(suffix));
    form.Action("AppThumbnails")->trigger();
    SaveModal(form.Action("AppOptions"), options, out + QStringLiteral("/settings%1.png").arg(suffix),
              [&] { options.PageControl->setCurrentIndex(0); });
    SaveModal(form.Action("AppOptions"), options, out + QStringLiteral("/settings-save%1.png").arg(suffix),
              [&] { options.PageControl->setCurrentIndex(2); });
    SaveModal(form.Action("FileMetadataShow"), metaData, out + QStringLiteral("/metadata%1.png").arg(suffix));
    SaveModal(form.Action("AppAbout"), about, out + QStringLiteral("/about%1.png").arg(suffix));
    // The save dialog is the toolkit's own, in the chosen language too.
    TSaveAsDialog saveAs(&form);
    saveAs.resize(820, 480);
    QTimer::singleShot(0, [&] {
      Save(&saveAs, out + QStringLiteral("/saveas%1.png").arg(suffix));
      saveAs.reject();
    });
    saveAs.Ask(form.CurrentFile);
    // A phone photo stored sideways (EXIF orientation 6), shown upright.
    if (language == 0 && folder.exists(QStringLiteral("phone.jpg"))) {
      form.FileList->SelectByName(folder.filePath(QStringLiteral("phone.jpg")));
      Save(&form, out + QStringLiteral("/orientation.png"));
    }
  }
  return 0;
}
