#include "app/ShortcutDispatch.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QWindow>

namespace pixaldo {

TShortcutDispatch::TShortcutDispatch(QWidget* window, QList<QAction*> actions)
    : QObject(window), window_(window), actions_(std::move(actions)) {
  qApp->installEventFilter(this);
}

TShortcutDispatch::~TShortcutDispatch() {
  if (qApp) qApp->removeEventFilter(this);
}

QKeySequence TShortcutDispatch::KeysOf(const QKeyEvent& event) {
  int key = event.key();
  if (key == Qt::Key_Enter) key = Qt::Key_Return;
  const Qt::KeyboardModifiers modifiers =
      event.modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
  return QKeySequence(QKeyCombination(modifiers, Qt::Key(key)));
}

namespace {

// The keys a text field keeps, with or without Shift and Ctrl.
constexpr QKeySequence::StandardKey kEditingKeys[] = {
    QKeySequence::Copy, QKeySequence::Paste, QKeySequence::Cut, QKeySequence::Undo,
    QKeySequence::Redo, QKeySequence::SelectAll,
};
constexpr Qt::Key kEditingPlainKeys[] = {Qt::Key_Delete, Qt::Key_Backspace, Qt::Key_Home, Qt::Key_End,
                                         Qt::Key_Left,   Qt::Key_Right,     Qt::Key_Up,   Qt::Key_Down};

}  // namespace

bool TShortcutDispatch::IsEditingKey(const QKeyEvent& event) {
  for (const QKeySequence::StandardKey key : kEditingKeys)
    if (event.matches(key)) return true;
  const Qt::KeyboardModifiers other = event.modifiers() & ~(Qt::ShiftModifier | Qt::ControlModifier | Qt::KeypadModifier);
  if (other != Qt::NoModifier) return false;
  for (const Qt::Key key : kEditingPlainKeys)
    if (event.key() == key) return true;
  return false;
}

bool TShortcutDispatch::IsTextField(const QWidget* widget) {
  if (auto* combo = qobject_cast<const QComboBox*>(widget)) return combo->isEditable();
  if (auto* line = qobject_cast<const QLineEdit*>(widget)) return !line->isReadOnly();
  if (auto* plain = qobject_cast<const QPlainTextEdit*>(widget)) return !plain->isReadOnly();
  if (auto* rich = qobject_cast<const QTextEdit*>(widget)) return !rich->isReadOnly();
  return false;
}

QAction* TShortcutDispatch::Owner(const QKeySequence& keys) const {
  for (QAction* action : actions_)
    if (action->shortcuts().contains(keys)) return action;
  return nullptr;
}

bool TShortcutDispatch::ForThisWindow(QObject* watched) const {
  if (!window_) return false;
  if (auto* widget = qobject_cast<QWidget*>(watched)) return widget->window() == window_;
  if (auto* window = qobject_cast<QWindow*>(watched)) return window == window_->windowHandle();
  return false;
}

bool TShortcutDispatch::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::ShortcutOverride && type != QEvent::KeyPress) return false;
  if (!ForThisWindow(watched) || (Suspended && Suspended())) return false;
  auto* keyEvent = static_cast<QKeyEvent*>(event);
  const QWidget* focus = QApplication::focusWidget();
  const bool controlTakes = (IsTextField(focus) && IsEditingKey(*keyEvent)) ||
                            (focus && keyEvent->key() == Qt::Key_Escape && focus->property(kTakesEscape).toBool()) ||
                            (ControlTakes && ControlTakes(*keyEvent));
  if (controlTakes) {
    if (type != QEvent::ShortcutOverride) return false;
    // No command takes the key: the control gets it as a key press.
    keyEvent->accept();
    return true;
  }
  QAction* owner = Owner(KeysOf(*keyEvent));
  if (!owner) return false;
  if (type == QEvent::ShortcutOverride) {
    // The key is ours to decide: Qt's shortcut map stays out, and the key
    // press that follows comes here first.
    keyEvent->accept();
    return true;
  }
  if (!owner->isEnabled()) return false;  // the control gets the key
  if (owner->property(kYieldsToTextFields).toBool() && IsTextField(QApplication::focusWidget())) return false;
  owner->trigger();
  return true;
}

}  // namespace pixaldo
