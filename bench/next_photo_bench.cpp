// How long the viewer takes from the key press that moves to the next photo
// until that photo is painted, on copies of the full-size photos.
//   next_photo_bench [FOLDER] [ROUNDS]
// FOLDER defaults to the shared test photos; the program works on a copy.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <map>
#include <vector>

#include "app/MainForm.h"
#include "file_list/gui/JpegList.h"
#include "photo_view/gui/PhotoImage.h"
#include "platform/gui/MemoryTuning.h"

using namespace pixaldo;

namespace {

double ThreadCpuMs() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

struct Timing {
  double wall = 0;  // what the user waits
  double cpu = 0;   // the viewer's own work, less disturbed by other load
};

Timing PressAndPaint(TFormMain& form, int key) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
  QElapsedTimer clock;
  const double cpuStart = ThreadCpuMs();
  clock.start();
  QApplication::sendEvent(form.FileList, &press);
  form.PhotoView->repaint();
  return {clock.nsecsElapsed() / 1e6, ThreadCpuMs() - cpuStart};
}

}  // namespace

int main(int argc, char** argv) {
  KeepLargeBuffersMapped();
  QApplication application(argc, argv);
  const QString source = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                  : QStringLiteral(PIXALDO_BENCH_PHOTOS);
  const int rounds = argc > 2 ? std::max(1, atoi(argv[2])) : 5;
  QTemporaryDir copy;
  for (const QString& name : QDir(source).entryList({"*.jpg", "*.jpeg", "*.JPG", "*.JPEG"}, QDir::Files))
    QFile::copy(source + QLatin1Char('/') + name, copy.path() + QLatin1Char('/') + name);

  TFormMain form({copy.path()});
  form.StopSignMilliseconds = 0;
  form.resize(1280, 900);
  form.show();
  QApplication::processEvents();
  const int count = form.FileList->FileCount();
  if (count < 2) {
    std::fprintf(stderr, "need at least two photos in %s\n", qPrintable(source));
    return 2;
  }
  // Each photo is reached by Down from the one before it (the first by Home
  // from the last), so every photo counts as "the next one".
  std::map<QString, std::vector<double>> wall, cpu;
  for (int round = 0; round < rounds; ++round) {
    for (int i = 0; i < count; ++i) {
      const Timing timing = PressAndPaint(form, i == 0 ? Qt::Key_Home : Qt::Key_Down);
      const QString name = form.FileList->FileNameAt(form.FileList->SelectedIndex());
      if (round > 0 || i > 0) {
        wall[name].push_back(timing.wall);
        cpu[name].push_back(timing.cpu);
      }
      QApplication::processEvents();
    }
  }
  auto median = [](std::vector<double>& list) {
    std::sort(list.begin(), list.end());
    return list[list.size() / 2];
  };
  int worstOver = 0;
  for (auto& [name, list] : wall) {
    form.FileList->SelectByName(form.FileList->FullPath(name));
    const QSize size = form.PhotoView->PictureSize();
    const double wallMedian = median(list);
    std::printf("%-24s %5dx%-5d %5.1f MP  wall median %7.1f ms (max %7.1f)  cpu median %7.1f ms\n",
                qPrintable(name), size.width(), size.height(), size.width() * size.height() / 1e6, wallMedian,
                list.back(), median(cpu[name]));
    if (wallMedian >= 100.0) ++worstOver;
  }
  std::printf("window %dx%d, picture panel %dx%d; %s\n", form.width(), form.height(), form.PanelImage->width(),
              form.PanelImage->height(), worstOver ? "SLOWER than 100 ms" : "every median below 100 ms");
  return 0;
}
