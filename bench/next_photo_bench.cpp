// The viewer's next photo: from the key press until the photo is painted.
//   next_photo_bench [PHOTO] [ROUNDS]
// Browsing: a folder of eight copies of PHOTO (default the shared 4032x3024
// photo), walked forward and back at a human pace (a pause after each
// press), with the neighbours read ahead, and in the same rounds the same
// presses with the read-ahead switched off (each photo decoded at the press).
// First look: a 50-megapixel photo made from PHOTO (8192x6144), shown when
// nothing was read ahead, against `djpeg -scale 1/8` of the same file.
// Medians of interleaved rounds; the program works in a temporary folder.
// The lines starting with "row" are the result rows for bench/all.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <vector>

#include "app/MainForm.h"
#include "bench/BenchSupport.h"
#include "file_list/gui/JpegList.h"
#include "photo_view/JpegDecoder.h"
#include "photo_view/Resampler.h"
#include "photo_view/gui/PhotoImage.h"
#include "photo_view/gui/ReadAhead.h"
#include "platform/gui/MemoryTuning.h"

using namespace pixaldo;
using bench::Median;
using bench::Settle;

namespace {

constexpr int kCopies = 8;
constexpr int kPauseMs = 300;  // between presses, as a person browsing

double ThreadCpuMs() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

// Wall-clock time of the press until painted; the window thread's own CPU
// time of it goes to `cpu` (less disturbed by a busy machine).
std::vector<double>* cpuTimes = nullptr;

double PressAndPaint(TFormMain& form, int key) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
  QElapsedTimer clock;
  const double cpuStart = ThreadCpuMs();
  clock.start();
  QApplication::sendEvent(form.FileList, &press);
  form.PhotoView->repaint();
  const double wall = clock.nsecsElapsed() / 1e6;
  if (cpuTimes) cpuTimes->push_back(ThreadCpuMs() - cpuStart);
  return wall;
}

// One walk through the folder, forward then back, with or without the
// read-ahead; the times of the presses.
void Walk(TFormMain& form, TReadAhead* readAhead, std::vector<double>& forward, std::vector<double>& back) {
  form.PhotoView->SetReadAhead(readAhead);
  PressAndPaint(form, Qt::Key_Home);
  Settle(kPauseMs);
  for (int i = 1; i < kCopies; ++i) {
    forward.push_back(PressAndPaint(form, Qt::Key_Down));
    Settle(kPauseMs);
  }
  for (int i = 1; i < kCopies; ++i) {
    back.push_back(PressAndPaint(form, Qt::Key_Up));
    Settle(kPauseMs);
  }
}

// PHOTO stretched to 8192x6144 and written by cjpeg at quality 90.
bool MakeLargePhoto(const QString& source, const QString& folder, const QString& target) {
  const DecodedPicture full = JpegDecoder().Decode(source.toStdString(), 1 << 30, 1 << 30);
  const RgbImage large = Resampler::Resample(full.image, 8192, 6144, StretchFilter::Linear);
  const QString ppm = folder + QStringLiteral("/large.ppm");
  {
    std::ofstream stream(ppm.toStdString(), std::ios::binary);
    stream << "P6\n" << large.width << ' ' << large.height << "\n255\n";
    stream.write(reinterpret_cast<const char*>(large.pixels.data()), std::streamsize(large.pixels.size()));
  }
  bench::TimeProgram({"/usr/bin/cjpeg", "-quality", "90", "-outfile", target.toStdString(), ppm.toStdString()});
  QFile::remove(ppm);
  return QFile::exists(target);
}

}  // namespace

int main(int argc, char** argv) {
  KeepLargeBuffersMapped();
  QApplication application(argc, argv);
  const QString source = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(PIXALDO_BENCH_PHOTO);
  const int rounds = argc > 2 ? std::max(1, atoi(argv[2])) : 5;
  QTemporaryDir browse, large;
  for (int i = 0; i < kCopies; ++i)
    QFile::copy(source, browse.path() + QStringLiteral("/photo%1.jpg").arg(i));
  const QString largePhoto = large.path() + QStringLiteral("/large.jpg");
  if (!MakeLargePhoto(source, large.path(), largePhoto)) {
    std::fprintf(stderr, "cannot make the 50-megapixel photo\n");
    return 2;
  }

  TFormMain form({browse.path()});
  // The defaults, not what another benchmark left in the settings file (the
  // grid's would keep the picture from being decoded at all).
  form.ReadSettings = [] { return MainWindowSettings(); };
  form.StopSignMilliseconds = 0;
  form.resize(1280, 900);
  form.show();
  Settle(300);
  if (form.FileList->FileCount() != kCopies) {
    std::fprintf(stderr, "the window did not list the copies of %s\n", qPrintable(source));
    return 2;
  }
  auto* readAhead = form.findChild<TReadAhead*>();

  std::vector<double> forward, back, coldForward, coldBack, first, djpeg, warmCpu, coldCpu;
  for (int round = 0; round < rounds; ++round) {
    cpuTimes = &warmCpu;
    Walk(form, readAhead, forward, back);
    cpuTimes = &coldCpu;
    Walk(form, nullptr, coldForward, coldBack);
    cpuTimes = nullptr;

    // The large photo shown with nothing read ahead, then its peer.
    form.PhotoView->SetReadAhead(readAhead);
    form.PhotoView->ReadAround({});
    readAhead->WaitIdle();
    QElapsedTimer clock;
    clock.start();
    form.ShowPhoto(largePhoto);
    form.PhotoView->repaint();
    first.push_back(clock.nsecsElapsed() / 1e6);
    if (form.PhotoView->PictureSize() != QSize(8192, 6144)) {
      std::fprintf(stderr, "error: the large photo was not shown\n");
      return 1;
    }
    readAhead->WaitIdle();
    Settle(kPauseMs);  // the refined picture replaces the first look
    djpeg.push_back(bench::TimeProgram({"/usr/bin/djpeg", "-scale", "1/8", largePhoto.toStdString()}));
    form.FileList->SelectFirst();
    Settle(kPauseMs);
  }

  std::printf("%s, window %dx%d, picture panel %dx%d, %d rounds, load average %.1f\n",
              qPrintable(QFileInfo(source).fileName()), form.width(), form.height(), form.PanelImage->width(),
              form.PanelImage->height(), rounds, bench::LoadAverage());
  std::printf("next photo, read ahead, forward      median %6.1f ms (max %6.1f)\n", Median(forward),
              *std::max_element(forward.begin(), forward.end()));
  std::printf("next photo, read ahead, back         median %6.1f ms (max %6.1f)\n", Median(back),
              *std::max_element(back.begin(), back.end()));
  std::printf("next photo, decoded at the press     median %6.1f ms forward, %6.1f ms back\n", Median(coldForward),
              Median(coldBack));
  std::printf("window thread's CPU per press          median %6.1f ms read ahead, %6.1f ms decoded at the press\n",
              Median(warmCpu), Median(coldCpu));
  const double browsing = std::max(Median(forward), Median(back));
  std::printf("browsing                             %s 16 ms (one frame)\n", browsing <= 16 ? "within" : "ABOVE");
  const double ratio = Median(first) / Median(djpeg);
  std::printf("50 MP first shown                    median %6.1f ms\n", Median(first));
  std::printf("djpeg -scale 1/8                     median %6.1f ms\n", Median(djpeg));
  std::printf("ratio first shown / djpeg -scale 1/8 %.2f (%s 1.1)\n", ratio, ratio <= 1.1 ? "within" : "ABOVE");
  std::printf("row\tnext photo 12 MP, browsing\t%8.1f ms %8.1f ms  (decoded at the press)  bar 16 ms\n", browsing,
              std::max(Median(coldForward), Median(coldBack)));
  std::printf("row\t50 MP first shown\t%8.1f ms %8.1f ms  %5.2f×  bar 1.1\n", Median(first), Median(djpeg), ratio);
  return 0;
}
