#pragma once
// Shortcut dispatch of the main window. While a text field has the focus,
// the standard editing keys (copy, paste, cut, undo, redo, select all,
// Delete, Backspace, Home, End, the arrows) edit its text. Every other key
// is tried against the commands in the order of the action list before the
// focused control sees it; the first whose shortcut matches decides:
// enabled, it runs and the key is used up; disabled, the key goes on to the
// control and no later command is tried. So Ctrl+V pastes in the caption and
// flips the picture from the list, and Esc leaves presentation mode before
// it removes a crop frame.
//
// Qt's own shortcut handling cannot do this (a key two commands share counts
// as ambiguous), so the dispatcher watches every key event of the
// application and keeps Qt's shortcut map away from the keys of this window.
#include <QAction>
#include <QKeySequence>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <functional>

class QKeyEvent;

namespace pixaldo {

// The property of a command whose keys go to a text field that has the
// focus (the view's commands): they act whenever no text field has it.
inline constexpr const char* kYieldsToTextFields = "YieldsToTextFields";
// The property of a control that takes Esc itself while it has the focus
// (the filter box clears itself with it).
inline constexpr const char* kTakesEscape = "TakesEscape";

class TShortcutDispatch : public QObject {
  Q_OBJECT

 public:
  // `actions` in table order; keys count while they are meant for `window`.
  TShortcutDispatch(QWidget* window, QList<QAction*> actions);
  ~TShortcutDispatch() override;

  // A command added after the window's own, last in the order.
  void Add(QAction* action) { actions_.append(action); }
  // The command whose shortcut decides a key combination, or none.
  QAction* Owner(const QKeySequence& keys) const;
  // The key combination of a key event, Enter counted as Return.
  static QKeySequence KeysOf(const QKeyEvent& event);

  // Whether a key edits the text of a focused text field.
  static bool IsEditingKey(const QKeyEvent& event);
  static bool IsTextField(const QWidget* widget);

  // While this says so, keys go to the focused control untouched.
  std::function<bool()> Suspended;
  // Further keys the focused control takes before the commands.
  std::function<bool(const QKeyEvent&)> ControlTakes;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool ForThisWindow(QObject* watched) const;

  QPointer<QWidget> window_;
  QList<QAction*> actions_;
};

}  // namespace pixaldo
