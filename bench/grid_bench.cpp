// The thumbnail grid on a big folder: from opening the folder until the
// first screen of thumbnails is drawn, with a cold and with a warm cache,
// and the memory after scrolling through the whole folder.
//   grid_bench FOLDER
// FOLDER holds the photos; the cache is $XDG_CACHE_HOME as set by the
// caller (bench/grid.sh empties it for the cold run). Prints one line
// "row<TAB>NAME<TAB>TEXT" for bench/all.
#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>
#include <cstdio>
#include <fstream>
#include <string>

#include "app/MainForm.h"
#include "file_list/gui/BrowserPane.h"
#include "file_list/gui/JpegList.h"
#include "file_list/gui/ThumbnailGrid.h"
#include "file_list/gui/ThumbnailSource.h"

using namespace pixaldo;

namespace {

// Whether every visible cell holds its thumbnail (or its failure).
bool ScreenDrawn(TThumbnailGrid& grid, TJpegList& list) {
  const auto [first, last] = grid.VisibleRows();
  if (first < 0) return false;
  for (int row = first; row <= last; ++row)
    if (grid.Source()->Find(list.FullPath(list.FileNameAt(row)), nullptr) == TThumbnailSource::State::Waiting)
      return false;
  return true;
}

void WaitFor(const std::function<bool()>& done) {
  while (!done()) QApplication::processEvents(QEventLoop::AllEvents, 5);
}

long ResidentMegabytes() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6)) / 1024;
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  if (argc < 3) {
    std::fprintf(stderr, "usage: grid_bench FOLDER cold|warm\n");
    return 2;
  }
  const QString folder = QString::fromLocal8Bit(argv[1]);
  const std::string label = argv[2];
  MainWindowSettings settings;
  settings.ThumbnailGrid = true;
  TFormMain form{QStringList()};
  form.ReadSettings = [settings] { return settings; };
  form.resize(1280, 800);
  form.show();
  QApplication::processEvents();
  form.Browser->KeepChoice = nullptr;
  form.Browser->ShowGrid(true);
  TThumbnailGrid& grid = *form.Browser->Grid();
  TJpegList& list = *form.FileList;
  QElapsedTimer clock;
  clock.start();
  list.OpenPath(folder);
  WaitFor([&] { return ScreenDrawn(grid, list); });
  const double firstScreen = clock.nsecsElapsed() / 1e6;
  // Through the whole folder a screen at a time, each drawn before the next.
  QScrollBar* bar = grid.verticalScrollBar();
  while (bar->value() < bar->maximum()) {
    bar->setValue(bar->value() + bar->pageStep());
    WaitFor([&] { return ScreenDrawn(grid, list); });
  }
  const double whole = clock.nsecsElapsed() / 1e6;
  std::printf("row\tgrid %d photos, %s cache\tfirst screen %7.1f ms  whole folder %7.0f ms  RSS after %4ld MB\n",
              list.FileCount(), label.c_str(), firstScreen, whole, ResidentMegabytes());
  return 0;
}
