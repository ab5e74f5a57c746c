// The viewer: one main window over the folder or file named as the first
// argument (or the program's own folder).
#include <QApplication>

#include "app/MainForm.h"
#include "platform/gui/MemoryTuning.h"

int main(int argc, char** argv) {
  pixaldo::KeepLargeBuffersMapped();
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Pixaldo"));
  QApplication::setApplicationDisplayName(QStringLiteral("Pixaldo"));
  QStringList arguments = QApplication::arguments();
  arguments.removeFirst();
  pixaldo::TFormMain FormMain(arguments);
  FormMain.showMaximized();
  return QApplication::exec();
}
