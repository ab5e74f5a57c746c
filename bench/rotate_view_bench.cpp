// How long the viewer's rotate-right command takes on a 12-megapixel photo
// (jpegtran, new EXIF thumbnail, file date put back, the picture shown
// turned in memory and painted) against jpegtran alone rotating the same
// file, in interleaved rounds.
//   rotate_view_bench [PHOTO] [ROUNDS]
// PHOTO defaults to the shared 4032x3024 test photo; the program works on a
// copy in a temporary folder. The last line is the result row for bench/all. Beside the two medians and their ratio it
// prints the parts: the runner alone (jpegtran, thumbnail, date), the
// thumbnail made in memory, and the window showing the file again (what the
// command would cost if it decoded the new file instead of turning). Exit
// status 1 when the command does not rotate the file or reports an error.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "app/InfoPane.h"
#include "app/MainForm.h"
#include "app/PicturePane.h"
#include "jpeg_structure/JpegObject.h"
#include "photo_view/gui/PhotoImage.h"
#include "platform/FileSystem.h"
#include "platform/gui/MemoryTuning.h"
#include "platform/gui/UserMessages.h"
#include "transforms/JpegTran.h"

using namespace pixaldo;
using bench::Median;
using bench::Settle;

namespace {

// jpegtran alone, started as the viewer starts it (absolute paths, no shell).
double TimeJpegTran(const std::string& jpegtran, const std::string& input, const std::string& output) {
  return bench::TimeProgram({jpegtran, "-copy", "all", "-rotate", "90", "-outfile", output, input});
}

// The runner's own part (jpegtran, thumbnail, date), without the window.
double TimeRunner(const TJpegTran& runner, const fs::path& file) {
  QElapsedTimer clock;
  clock.start();
  runner.Transform(file, file, true, true, TJpegTran::TransformArguments(TransformKind::RotateRight, false));
  return clock.nsecsElapsed() / 1e6;
}

// The runner's thumbnail step: the file read and the new thumbnail made in
// memory (decoded at a reduced scale, resampled, encoded), nothing written.
double TimeThumbnail(const fs::path& file) {
  QElapsedTimer clock;
  clock.start();
  TJpegObject object(file, false);
  object.RegenerateThumbnail();
  return clock.nsecsElapsed() / 1e6;
}

// The window's picture loaded, fitted and painted again, as after a change.
double TimeReload(TFormMain& form, const QString& file) {
  QElapsedTimer clock;
  clock.start();
  form.PhotoView->LoadPicture(file, form.Info->LblDimension);
  form.PhotoView->FitAndShow(form.Picture->Choice(), form.CropAllowed(), form.Info->LblZoom);
  form.PhotoView->repaint();
  return clock.nsecsElapsed() / 1e6;
}

// The window's whole showing of the current file (picture and info panel).
double TimeShowPhoto(TFormMain& form, const QString& file) {
  QElapsedTimer clock;
  clock.start();
  form.ShowPhoto(file);
  form.PhotoView->repaint();
  return clock.nsecsElapsed() / 1e6;
}

MainWindowSettings RotateSettings() {
  MainWindowSettings settings;
  settings.FormColor = QColor(185, 209, 234);
  settings.OverwriteRotaFlip = true;
  settings.ThumbAuto = true;
  settings.OriginalFileDate = true;
  return settings;
}

}  // namespace

int main(int argc, char** argv) {
  KeepLargeBuffersMapped();
  QApplication application(argc, argv);
  const QString source = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(PIXALDO_BENCH_PHOTO);
  const int rounds = argc > 2 ? std::max(1, atoi(argv[2])) : 5;

  const fs::path jpegtran = FindJpegTran();
  if (jpegtran.empty()) {
    std::fprintf(stderr, "jpegtran not found\n");
    return 2;
  }
  QTemporaryDir folder, scratch;
  const QString photo = folder.path() + QStringLiteral("/photo.jpg");
  const QString runnerCopy = scratch.path() + QStringLiteral("/runner.jpg");
  if (!QFile::copy(source, photo) || !QFile::copy(source, runnerCopy)) {
    std::fprintf(stderr, "cannot copy %s\n", qPrintable(source));
    return 2;
  }
  QFile::setPermissions(photo, QFile::ReadOwner | QFile::WriteOwner);
  QFile::setPermissions(runnerCopy, QFile::ReadOwner | QFile::WriteOwner);
  const std::string output = (scratch.path() + QStringLiteral("/alone.jpg")).toStdString();

  TFormMain form({photo});
  form.ReadSettings = [] { return RotateSettings(); };
  form.StopSignMilliseconds = 0;
  form.resize(1280, 900);
  form.show();
  Settle(200);
  if (form.CurrentFile != photo) {
    std::fprintf(stderr, "the window did not open %s\n", qPrintable(photo));
    return 2;
  }
  // A message box would wait for a person: it is answered here and ends the run.
  static QString reported;
  SetMessageHandler([](const UserMessage& message) {
    reported = message.text;
    return QMessageBox::Ok;
  });
  QAction* rotate = form.Action("JpgRotateRight");
  const TJpegTran runner(jpegtran);

  std::vector<double> alone, viewer, command, reload, core, thumbnail, picture, show;
  for (int round = 0; round < rounds; ++round) {
    alone.push_back(TimeJpegTran(jpegtran.native(), photo.toStdString(), output));
    core.push_back(TimeRunner(runner, runnerCopy.toStdString()));

    const std::string before = ReadWholeFile(photo.toStdString());
    const QSize sizeBefore = form.PhotoView->PictureSize();
    QElapsedTimer clock;
    clock.start();
    rotate->trigger();
    const double triggered = clock.nsecsElapsed() / 1e6;
    // The run ends on its worker thread; its outcome turns the picture.
    while (form.TransformRunning()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QApplication::processEvents();
    form.PhotoView->repaint();
    const double total = clock.nsecsElapsed() / 1e6;
    if (!reported.isEmpty()) {
      std::fprintf(stderr, "error: the window reported: %s\n", qPrintable(reported));
      return 1;
    }
    if (ReadWholeFile(photo.toStdString()) == before) {
      std::fprintf(stderr, "error: the rotate-right command left %s unchanged (not wired to the transform?)\n",
                   qPrintable(photo));
      return 1;
    }
    if (form.PhotoView->PictureSize() != sizeBefore.transposed()) {
      std::fprintf(stderr, "error: the picture shown after the command is %dx%d, expected %dx%d\n",
                   form.PhotoView->PictureSize().width(), form.PhotoView->PictureSize().height(),
                   sizeBefore.height(), sizeBefore.width());
      return 1;
    }
    command.push_back(triggered);
    reload.push_back(total - triggered);
    viewer.push_back(total);
    Settle(300);
    thumbnail.push_back(TimeThumbnail(runnerCopy.toStdString()));
    picture.push_back(TimeReload(form, photo));
    show.push_back(TimeShowPhoto(form, photo));
    Settle(100);
  }

  const QSize size = form.PhotoView->PictureSize();
  const double ratio = Median(viewer) / Median(alone);
  std::printf("%s %dx%d (%.1f MP, %lld bytes), %d rounds, jpegtran %s\n", qPrintable(QFileInfo(source).fileName()),
              size.width(), size.height(), size.width() * size.height() / 1e6,
              static_cast<long long>(QFileInfo(photo).size()), rounds, jpegtran.c_str());
  std::printf("jpegtran alone                         median %7.1f ms\n", Median(alone));
  std::printf("runner alone (jpegtran+thumbnail+date) median %7.1f ms\n", Median(core));
  std::printf("  thumbnail made in memory             median %7.1f ms\n", Median(thumbnail));
  std::printf("picture reload (load, fit, paint)      median %7.1f ms\n", Median(picture));
  std::printf("  with the info panel (ShowPhoto)      median %7.1f ms\n", Median(show));
  std::printf("viewer command, rotate right           median %7.1f ms\n", Median(viewer));
  std::printf("  window busy in the command           median %7.1f ms\n", Median(command));
  std::printf("  run, turn and paint after it         median %7.1f ms\n", Median(reload));
  std::printf("ratio viewer / jpegtran alone          %.2f (%s 1.15), load average %.1f\n", ratio,
              ratio <= 1.15 ? "within" : "ABOVE", bench::LoadAverage());
  std::printf("row\tviewer rotate-right 12 MP\t%8.1f ms %8.1f ms  %5.2f×  bar 1.15\n", Median(viewer), Median(alone),
              ratio);
  return 0;
}
