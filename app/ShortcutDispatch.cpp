#include "app/ShortcutDispatch.h"

#include <QApplication>
#include <QKeyEvent>
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

QAction* TShortcutDispatch::Owner(const QKeySequence& keys) const {
  for (QAction* action : actions_)
    if (!action->shortcut().isEmpty() && action->shortcut() == keys) return action;
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
  QAction* owner = Owner(KeysOf(*keyEvent));
  if (!owner) return false;
  if (type == QEvent::ShortcutOverride) {
    // The key is ours to decide: Qt's shortcut map stays out, and the key
    // press that follows comes here first.
    keyEvent->accept();
    return true;
  }
  if (!owner->isEnabled()) return false;  // the control gets the key
  owner->trigger();
  return true;
}

}  // namespace pixaldo
