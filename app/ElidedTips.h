#pragma once
// Tool tips with the whole text of labels and grid cells that their place
// cuts off (long translations, long EXIF values in the narrow info panel).
// Text that fits gets no tool tip.
#include <QObject>
#include <QPoint>
#include <QString>

class QLabel;
class QTableWidget;

namespace pixaldo {

class TElidedTips : public QObject {
 public:
  // Watches every label below `panel` and the cells of `grid`, a child of
  // `panel` that lets the mouse through to it.
  TElidedTips(QWidget* panel, QTableWidget* grid);

  // The whole text when it does not fit, else empty.
  static QString CutText(const QLabel& label);
  static QString CutText(const QTableWidget& grid, QPoint viewportPos);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* panel_;
  QTableWidget* grid_;
};

}  // namespace pixaldo
