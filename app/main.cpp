// The viewer: one main window over the folder or file named as the first
// argument (or the program's own folder).
#include <QApplication>
#include <QTimer>
#include <QIcon>
#include <cstdio>
#include <cstring>

#include "app/MainForm.h"
#include "app/SelectionCommands.h"
#include "app/MainWindowSettings.h"
#include "dialogs/DlgAbout.h"
#include "dialogs/DlgMetaData.h"
#include "settings/gui/DlgOptions.h"
#include "platform/gui/MemoryTuning.h"
#include "platform/gui/UserMessages.h"
#include "thumbnails/ThumbnailCache.h"

namespace {

// --version and --help are answered before any window system is needed.
bool AnsweredOnTheCommandLine(int argc, char** argv) {
  if (argc != 2) return false;
  if (std::strcmp(argv[1], "--version") == 0) {
    std::fputs("pixaldo " PIXALDO_VERSION "\n", stdout);
    return true;
  }
  if (std::strcmp(argv[1], "--help") == 0) {
    std::fputs("Usage: pixaldo [FOLDER | FILE]\n"
               "  or:  pixaldo --version | --help\n"
               "Shows the JPEG photos of FOLDER (or of FILE's folder, starting with FILE).\n",
               stdout);
    return true;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (AnsweredOnTheCommandLine(argc, argv)) return 0;
  pixaldo::KeepLargeBuffersMapped();
  QApplication application(argc, argv);
  pixaldo::InstallThumbnailRefresh();  // a photo written here loses its stale thumbnails
  Q_INIT_RESOURCE(pixaldo);  // the icons live in the viewer's static library
  QApplication::setApplicationName(QStringLiteral("Pixaldo"));
  QApplication::setApplicationDisplayName(QStringLiteral("Pixaldo"));
  // Desktops match the windows to the installed pixaldo.desktop entry.
  QGuiApplication::setDesktopFileName(QStringLiteral("pixaldo"));
  QIcon icon;
  for (const char* size : {"32", "64", "256"}) icon.addFile(QStringLiteral(":/icons/pixaldo-%1.png").arg(size));
  QApplication::setWindowIcon(icon);
  // Arguments as the file system's bytes (the toolkit's own conversion would
  // lose a file name that is no UTF-8); the toolkit has taken out its own.
  QStringList arguments;
  for (int index = 1; index < argc; ++index) arguments << pixaldo::PathToQString(argv[index]);
  // The four windows, each once for the whole run, in this order; the
  // settings window reads Options.ini and Language.ini as it is made, before
  // the main window is first shown.
  pixaldo::TFormMain FormMain(arguments);
  pixaldo::TFormOptions FormOptions(pixaldo::ViewerOptions());
  pixaldo::TFormMetaData FormMetaData;
  pixaldo::TFormAbout FormAbout;
  FormMain.SetDialogs(&FormOptions, &FormMetaData, &FormAbout);
  FormMain.showMaximized();
  // What a crashed run left in the undo store is offered back once the window is up.
  QTimer::singleShot(0, FormMain.Selection, &pixaldo::TSelectionCommands::OfferLeftBehind);
  return QApplication::exec();
}
