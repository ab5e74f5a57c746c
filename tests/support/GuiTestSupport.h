#pragma once
// Helpers for the Qt tests of the viewer: message boxes answered by the test,
// and a main window with fixed settings and a short stop sign.
#include <QApplication>
#include <QMouseEvent>
#include <QStringList>
#include <QTest>
#include <memory>
#include <vector>

#include "app/InfoPane.h"
#include "app/MainForm.h"
#include "app/PicturePane.h"
#include "photo_view/gui/PhotoImage.h"
#include "platform/FileSystem.h"
#include "platform/gui/UserMessages.h"
#include "support/TestSupport.h"

// QtTest's counterpart of PIXALDO_NEEDS_SAMPLES(): skips the test function
// when the shared sample photos are absent.
#define PIXALDO_QT_NEEDS_SAMPLES() \
  if (!::pixaldo::test::HaveTestData()) QSKIP(::pixaldo::test::NoTestDataReason().c_str())

namespace pixaldo::test {

// Records every message box instead of showing it and answers with `answer`.
class MessageRecorder {
 public:
  explicit MessageRecorder(QMessageBox::StandardButton answer = QMessageBox::Yes) : answer_(answer) {
    SetMessageHandler([this](const UserMessage& message) {
      messages.push_back(message);
      return answer_;
    });
  }
  ~MessageRecorder() { SetMessageHandler({}); }
  void Answer(QMessageBox::StandardButton answer) { answer_ = answer; }
  int Errors() const {
    int count = 0;
    for (const UserMessage& message : messages) count += message.icon == QMessageBox::Critical;
    return count;
  }
  QString LastText() const { return messages.empty() ? QString() : messages.back().text; }
  std::vector<UserMessage> messages;

 private:
  QMessageBox::StandardButton answer_;
};

// Each file's bytes and date, to tell that files were put back as they were.
using Snapshot = std::vector<std::pair<std::string, std::optional<FileTime>>>;
inline Snapshot SnapshotOf(const std::vector<fs::path>& files) {
  Snapshot snapshot;
  for (const fs::path& file : files) snapshot.emplace_back(ReadBytes(file), GetFileDate(file));
  return snapshot;
}

// The settings of a first start without Options.ini.
inline MainWindowSettings DefaultSettings() {
  MainWindowSettings settings;
  settings.FormColor = QColor(185, 209, 234);
  return settings;
}

// A main window on `arguments`, shown (which opens the start location) at a
// fixed size so that fits are repeatable.
inline std::unique_ptr<TFormMain> ShowForm(const QStringList& arguments,
                                           MainWindowSettings settings = DefaultSettings()) {
  auto form = std::make_unique<TFormMain>(arguments);
  form->ReadSettings = [settings] { return settings; };
  form->Picture->StoreFitMode = [](FitMode) {};  // the tests keep the user's settings file
  form->StopSignMilliseconds = 10;
  // No modal question in a test unless it answers it itself: edges a turn
  // cannot turn stay as jpegtran leaves them, and typed texts win.
  form->AskAboutUnturnedEdges = [](const std::vector<PhotoEdges>&, bool) { return EdgeChoice{EdgeChoice::Leave}; };
  form->Info->AskWhichIptcText = [](std::vector<FieldConflict>&) {};
  form->resize(1000, 700);
  form->show();
  QTest::qWait(1);
  return form;
}

// Waits until the transform a command started has ended and its outcome
// has been taken in.
inline bool WaitForTransform(const TFormMain& form) {
  return QTest::qWaitFor([&] { return !form.TransformRunning(); }, 20000);
}

// Draws a crop frame with the mouse across the middle of the shown picture.
inline void DrawCropFrame(TFormMain& form) {
  QWidget* view = form.PhotoView;
  const QPoint from(view->width() / 4, view->height() / 4), to(view->width() * 3 / 4, view->height() * 3 / 4);
  auto send = [view](QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons buttons) {
    QMouseEvent event(type, QPointF(at), view->mapToGlobal(QPointF(at)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(view, &event);
  };
  send(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
  send(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
  send(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
}

}  // namespace pixaldo::test
