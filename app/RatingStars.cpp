#include "app/RatingStars.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace pixaldo {
namespace {

constexpr int kStarSize = 16;
constexpr int kGap = 3;

QPainterPath StarPath(const QRectF& box) {
  QPainterPath path;
  const QPointF centre = box.center();
  const double outer = box.width() / 2, inner = outer * 0.45;
  for (int point = 0; point < 10; ++point) {
    const double angle = M_PI / 5 * point - M_PI / 2;
    const double radius = point % 2 ? inner : outer;
    const QPointF at(centre.x() + radius * std::cos(angle), centre.y() + radius * std::sin(angle));
    point ? path.lineTo(at) : path.moveTo(at);
  }
  path.closeSubpath();
  return path;
}

}  // namespace

TRatingStars::TRatingStars(QWidget* parent) : QWidget(parent) {
  setCursor(Qt::PointingHandCursor);
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void TRatingStars::SetRating(int stars, bool different) {
  stars = std::clamp(stars, 0, kMost);
  if (stars == rating_ && different == different_) return;
  rating_ = stars;
  different_ = different;
  update();
}

QRect TRatingStars::StarRect(int star) const {
  return QRect((star - 1) * (kStarSize + kGap), (height() - kStarSize) / 2, kStarSize, kStarSize);
}

int TRatingStars::StarAt(const QPoint& point) const {
  for (int star = 1; star <= kMost; ++star)
    if (StarRect(star).adjusted(0, -2, kGap, 2).contains(point)) return star;
  return 0;
}

QSize TRatingStars::sizeHint() const { return QSize(kMost * (kStarSize + kGap), kStarSize + 4); }

void TRatingStars::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const QColor lit(230, 160, 20), outline = isEnabled() ? QColor(120, 100, 60) : QColor(160, 160, 160);
  for (int star = 1; star <= kMost; ++star) {
    const QPainterPath path = StarPath(QRectF(StarRect(star)).adjusted(0.5, 0.5, -0.5, -0.5));
    painter.fillPath(path, star <= rating_ && !different_ && isEnabled() ? lit : palette().color(QPalette::Base));
    painter.setPen(QPen(outline, 1, different_ ? Qt::DotLine : Qt::SolidLine));
    painter.drawPath(path);
  }
}

void TRatingStars::mousePressEvent(QMouseEvent* event) {
  const int star = event->button() == Qt::LeftButton ? StarAt(event->position().toPoint()) : 0;
  if (star == 0) return QWidget::mousePressEvent(event);
  emit Clicked(star == rating_ && !different_ ? 0 : star);
}

}  // namespace pixaldo
