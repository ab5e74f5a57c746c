#include "app/ViewModes.h"

#include <QSplitter>
#include <QToolBar>

#include "app/ActionIcons.h"
#include "app/CommandTable.h"
#include "app/MainForm.h"
#include "app/PicturePane.h"
#include "file_list/gui/JpegList.h"

namespace pixaldo {

void TViewModes::ToggleInfoBar() { SetInfoBar(!Form.InfoBarVisible); }

void TViewModes::SetInfoBar(bool show) {
  Form.LayoutReady = false;
  Form.InfoBarVisible = show;
  // Hidden, the panel only shrinks to nothing: the file list keeps the
  // focus, so the arrow keys still move through the files.
  QSplitter* splitter = Form.Splitter;
  const int total = splitter->width();
  splitter->setCollapsible(0, !show);
  splitter->setSizes({show ? 200 : 0, qMax(0, total - (show ? 200 : 0))});
  splitter->handle(1)->setVisible(show);
  Form.Action("AppInfoBar")->setIcon(ActionIcon(show ? 24 : 25));
  if (!show) Form.FileList->setFocus();
  Form.LayoutReady = true;
  Form.Picture->Fit();
}

void TViewModes::SetPresentation(bool on) {
  if (on == Form.PresentationMode) return;
  Form.PresentationMode = on;
  Form.LayoutReady = false;
  if (on) {
    SavedBounds = Form.geometry();
    SavedState = Form.windowState();
    Form.showFullScreen();
  } else {
    Form.setWindowState(SavedState);
    if (!(SavedState & (Qt::WindowMaximized | Qt::WindowFullScreen))) Form.setGeometry(SavedBounds);
  }
  Form.LayoutReady = true;
  SetInfoBar(!on);
  Form.ToolBar1->setVisible(!on);
}

void TViewModes::Present() {
  SetPresentation(true);
  Form.Action("AppNormal")->setShortcut(QKeySequence(QString::fromLatin1(kPresentationExitKey)));
  // Space and Backspace browse like the arrows while presenting.
  Form.Action("FileNext")->setShortcut(QKeySequence(Qt::Key_Space));
  Form.Action("FilePrev")->setShortcut(QKeySequence(Qt::Key_Backspace));
}

void TViewModes::Normal() {
  SetPresentation(false);
  for (const char* name : {"AppNormal", "FileNext", "FilePrev"}) Form.Action(name)->setShortcut(QKeySequence());
}

QMenu* TViewModes::CreatePopupMenu() {
  auto* menu = new QMenu(&Form);
  menu->setObjectName(QStringLiteral("PopupMenu"));
  for (const char* name : kPopupMenu) {
    if (!*name)
      menu->addSeparator();
    else
      menu->addAction(Form.Action(name));
  }
  return menu;
}

}  // namespace pixaldo
