#include "app/ElidedTips.h"

#include <QHelpEvent>
#include <QLabel>
#include <QTableWidget>
#include <QToolTip>

namespace pixaldo {
namespace {

constexpr int kCellMargin = 6;  // room the cell keeps around its text

}  // namespace

TElidedTips::TElidedTips(QWidget* panel, QTableWidget* grid) : QObject(panel), panel_(panel), grid_(grid) {
  panel->installEventFilter(this);
  for (QLabel* label : panel->findChildren<QLabel*>()) label->installEventFilter(this);
}

QString TElidedTips::CutText(const QLabel& label) {
  const QString text = label.text();
  if (label.wordWrap() || text.isEmpty()) return {};
  const QString shown = QString(text).remove(QLatin1Char('&'));
  return label.fontMetrics().horizontalAdvance(shown) > label.contentsRect().width() ? shown : QString();
}

QString TElidedTips::CutText(const QTableWidget& grid, QPoint viewportPos) {
  const QTableWidgetItem* item = grid.itemAt(viewportPos);
  if (!item || item->text().isEmpty()) return {};
  const QRect visible = grid.visualItemRect(item).intersected(grid.viewport()->rect());
  const int needed = grid.fontMetrics().horizontalAdvance(item->text()) + kCellMargin;
  return needed > visible.width() ? item->text() : QString();
}

bool TElidedTips::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::ToolTip) return false;
  auto* help = static_cast<QHelpEvent*>(event);
  QString text;
  QWidget* over = nullptr;
  if (auto* label = qobject_cast<QLabel*>(watched)) {
    text = CutText(*label);
    over = label;
  } else if (watched == panel_ && grid_) {
    const QPoint at = grid_->viewport()->mapFrom(panel_, help->pos());
    if (grid_->viewport()->rect().contains(at)) text = CutText(*grid_, at);
    over = grid_;
  }
  if (!over) return false;
  if (text.isEmpty())
    QToolTip::hideText();
  else
    QToolTip::showText(help->globalPos(), text, over);
  return true;
}

}  // namespace pixaldo
