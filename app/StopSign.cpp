#include "app/StopSign.h"

#include <QPainter>
#include <QPainterPath>

namespace pixaldo {

QPixmap StopSignPixmap() {
  QPixmap pixmap(kStopSignWidth, kStopSignHeight);
  pixmap.fill(Qt::black);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  const QPointF centre(kStopSignWidth / 2.0, kStopSignHeight / 2.0);
  const qreal outer = 62, inner = 46;
  const QColor red(214, 24, 24);

  QPainterPath ring;
  ring.addEllipse(centre, outer, outer);
  ring.addEllipse(centre, inner, inner);
  ring.setFillRule(Qt::OddEvenFill);
  painter.fillPath(ring, red);

  // The bar runs from the upper left to the lower right inside the ring.
  painter.save();
  painter.translate(centre);
  painter.rotate(45);
  painter.fillRect(QRectF(-inner - 1, -8, 2 * inner + 2, 16), red);
  painter.restore();
  return pixmap;
}

}  // namespace pixaldo
