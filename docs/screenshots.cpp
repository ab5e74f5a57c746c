// Takes the screenshots in docs/: the main window, the thumbnail grid, the settings window (two
// pages), the metadata window, the about window and the save dialog, in
// English and in Czech, and a phone photo stored sideways shown upright, each
// grabbed from the display server as the user would see it.
//   screenshots PHOTO_FOLDER OUTPUT_FOLDER [--scaled]
// With --scaled only the main window is taken, as screenshot-scale2.png (run
// with QT_SCALE_FACTOR=2, as a high-density screen draws it).
// Run under xvfb-run (scripts/screenshots does).
#include <QApplication>
#include <QDir>
#include <QScreen>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include "app/MainForm.h"
#include "app/MainWindowSettings.h"
#include "dialogs/DlgAbout.h"
#include "dialogs/DlgMetaData.h"
#include "file_list/gui/BrowserPane.h"
#include "file_list/gui/JpegList.h"
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

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  if (argc < 3) return 2;
  const QString photos = QString::fromLocal8Bit(argv[1]);
  const QString out = QString::fromLocal8Bit(argv[2]);
  const bool scaled = argc > 3 && QByteArray(argv[3]) == "--scaled";
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
                                                                                           : QStringLiteral("sunset.jpg")));
    if (scaled) {
      Save(&form, out + QStringLiteral("/screenshot-scale2.png"));
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
