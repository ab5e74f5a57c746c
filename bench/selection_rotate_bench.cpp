// "Rotate by EXIF" from the window on every photo of a folder: the window
// opens the folder, selects all and runs the command; the program ends when
// the last photo is written. Offscreen; timed from outside by the script.
//   selection_rotate_bench FOLDER
#include <QApplication>
#include <QTimer>
#include <cstdio>

#include "app/BatchRun.h"
#include "app/MainForm.h"
#include "app/SelectionCommands.h"
#include "file_list/gui/JpegList.h"
#include "platform/gui/UserMessages.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: selection_rotate_bench FOLDER\n");
    return 2;
  }
  QApplication app(argc, argv);
  int failures = 0;
  pixaldo::SetMessageHandler([&](const pixaldo::UserMessage&) {
    ++failures;
    return QMessageBox::Yes;
  });
  pixaldo::TFormMain form({QString::fromLocal8Bit(argv[1])});
  // As the command line does by default: each photo rewritten in place with a
  // new thumbnail and today's date, whatever another benchmark left in the
  // settings file.
  form.ReadSettings = [] {
    pixaldo::MainWindowSettings settings;
    settings.OverwriteRotaFlip = true;
    settings.ThumbAuto = true;
    settings.OriginalFileDate = false;
    return settings;
  };
  form.resize(1000, 700);
  form.show();
  QTimer::singleShot(0, &form, [&] {
    form.FileList->selectAll();
    QApplication::processEvents();
    QObject::connect(form.Selection->Run, &pixaldo::TBatchRun::Finished, &app, &QApplication::quit);
    form.Action("JpgRotateByExif")->trigger();
    // A command that did not start would leave the program waiting for ever.
    if (!form.Selection->Run->Busy()) {
      std::fprintf(stderr, "Rotate by EXIF did not start on the %d selected photos\n",
                   int(form.Selection->SelectedFiles().size()));
      app.exit(1);
    }
  });
  if (app.exec() != 0) return 1;
  for (const pixaldo::BatchFailure& failure : form.Selection->Run->Failures())
    std::fprintf(stderr, "%s: %s\n", failure.File.c_str(), failure.Reason.toLocal8Bit().constData());
  return failures ? 1 : 0;
}
