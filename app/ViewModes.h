#pragma once
// The main window's view modes: the info bar shown or hidden, and
// presentation (full screen without tool bar and info bar; Space and
// Backspace browse, Esc leaves, a right click opens the pop-up menu).
#include <QMenu>
#include <QRect>

namespace pixaldo {

class TFormMain;

class TViewModes {
 public:
  explicit TViewModes(TFormMain& form) : Form(form) {}

  void SetInfoBar(bool show);
  void SetPresentation(bool on);
  // The commands: the info bar on or off, into presentation and back.
  void ToggleInfoBar();
  void Present();
  void Normal();
  // The pop-up menu of presentation mode.
  QMenu* CreatePopupMenu();

 private:
  TFormMain& Form;
  QRect SavedBounds;  // the window's place and state before presenting
  Qt::WindowStates SavedState;
};

}  // namespace pixaldo
