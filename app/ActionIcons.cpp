#include "app/ActionIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <array>

namespace pixaldo {
namespace {

const QColor kInk(40, 60, 110);
const QColor kAccent(30, 120, 200);
const QColor kRed(200, 30, 30);
const QColor kPaper(250, 250, 245);
const QColor kGold(230, 180, 40);

QPen Pen(const QColor& color, qreal width = 2.0) { return QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin); }

// A straight arrow from `from` to `to` with a filled head.
void Arrow(QPainter& p, QPointF from, QPointF to, const QColor& color, qreal head = 5) {
  p.setPen(Pen(color, 2.5));
  QLineF line(from, to);
  QLineF shaft(from, line.pointAt(1.0 - head / line.length()));
  p.drawLine(shaft);
  QLineF back(to, from);
  back.setLength(head * 1.6);
  QLineF left = back, right = back;
  left.setAngle(back.angle() + 30);
  right.setAngle(back.angle() - 30);
  p.setPen(Qt::NoPen);
  p.setBrush(color);
  p.drawPolygon(QPolygonF({to, left.p2(), right.p2()}));
}

// A curved arrow turning around the centre; clockwise turns right.
void TurnArrow(QPainter& p, bool clockwise) {
  QRectF arc(4, 5, 16, 16);
  p.setPen(Pen(kAccent, 2.5));
  p.setBrush(Qt::NoBrush);
  int start = clockwise ? 200 : -20;
  int span = clockwise ? -230 : 230;
  p.drawArc(arc, start * 16, span * 16);
  QPainterPath path;
  path.arcMoveTo(arc, start + span);
  QPointF tip = path.currentPosition();
  qreal dx = clockwise ? -1 : 1;
  p.setPen(Qt::NoPen);
  p.setBrush(kAccent);
  p.drawPolygon(QPolygonF({tip + QPointF(4 * dx, -5), tip + QPointF(4 * dx, 4), tip + QPointF(-4 * dx, 0)}));
}

void InfoSign(QPainter& p) {
  p.setPen(Pen(kInk, 1.5));
  p.setBrush(kAccent);
  p.drawEllipse(QRectF(3, 3, 18, 18));
  p.setPen(Pen(Qt::white, 2.5));
  p.drawPoint(QPointF(12, 7.5));
  p.drawLine(QPointF(12, 11), QPointF(12, 17));
}

void ProjectionScreen(QPainter& p) {
  p.setPen(Pen(kInk, 1.5));
  p.setBrush(kPaper);
  p.drawRect(QRectF(3, 3, 18, 12));
  p.drawLine(QPointF(12, 15), QPointF(12, 21));
  p.drawLine(QPointF(8, 21), QPointF(16, 21));
  p.setPen(Qt::NoPen);
  p.setBrush(kAccent);
  p.drawRect(QRectF(6, 6, 12, 6));
}

void CrossOut(QPainter& p) {
  p.setPen(Pen(kRed, 2.5));
  p.drawLine(QPointF(4, 20), QPointF(20, 4));
}

void Frame(QPainter& p, QRectF r) {
  p.setPen(Pen(kInk, 1.5));
  p.setBrush(kPaper);
  p.drawRect(r);
  p.setPen(Qt::NoPen);
  p.setBrush(kAccent);
  p.drawRect(r.adjusted(3, 3, -3, -3));
}

void Caption(QPainter& p, const QString& text) {
  QFont font = p.font();
  font.setPixelSize(text.size() > 3 ? 8 : 10);
  font.setBold(true);
  p.setFont(font);
  p.setPen(Pen(kInk, 1.2));
  p.setBrush(kPaper);
  p.drawRoundedRect(QRectF(1.5, 5.5, 21, 13), 2, 2);
  p.setPen(kInk);
  p.drawText(QRectF(1, 5, 22, 14), Qt::AlignCenter, text);
}

void Panel(QPainter& p, bool arrowLeft) {
  p.setPen(Pen(kInk, 1.5));
  p.setBrush(kPaper);
  p.drawRect(QRectF(3, 4, 18, 16));
  p.setBrush(QColor(200, 210, 230));
  p.drawRect(QRectF(14, 4, 7, 16));
  Arrow(p, QPointF(arrowLeft ? 12 : 5, 12), QPointF(arrowLeft ? 5 : 12, 12), kAccent, 3.5);
}

void FourWayArrows(QPainter& p, bool outwards) {
  const QPointF centre(12, 12);
  const std::array<QPointF, 4> corners{QPointF(3, 3), QPointF(21, 3), QPointF(3, 21), QPointF(21, 21)};
  for (QPointF corner : corners) {
    QPointF inner = centre + (corner - centre) * 0.3;
    if (outwards)
      Arrow(p, inner, corner, kAccent, 4);
    else
      Arrow(p, corner, inner, kAccent, 4);
  }
}

void DrawOpenFolder(QPainter& p) {
  p.setPen(Pen(kInk, 1.2));
  p.setBrush(kGold);
  p.drawPolygon(QPolygonF({QPointF(2, 6), QPointF(9, 6), QPointF(11, 8), QPointF(20, 8), QPointF(20, 20), QPointF(2, 20)}));
  p.setBrush(kPaper);
  p.drawRect(QRectF(7, 3, 12, 10));
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(60, 160, 80));
  p.drawPolygon(QPolygonF({QPointF(8, 12), QPointF(12, 7), QPointF(15, 10), QPointF(18, 6), QPointF(18, 12)}));
  p.setPen(Pen(kInk, 1.2));
  p.setBrush(QColor(245, 200, 80));
  p.drawPolygon(QPolygonF({QPointF(2, 20), QPointF(5, 11), QPointF(23, 11), QPointF(20, 20)}));
}
void DrawArrowLeft(QPainter& p) { Arrow(p, QPointF(20, 12), QPointF(4, 12), kAccent, 6); }
void DrawArrowRight(QPainter& p) { Arrow(p, QPointF(4, 12), QPointF(20, 12), kAccent, 6); }
void DrawTextField(QPainter& p) {
  p.setPen(Pen(kInk, 1.5));
  p.setBrush(Qt::white);
  p.drawRect(QRectF(2, 7, 20, 10));
  p.setPen(Pen(kInk, 1.2));
  p.drawLine(QPointF(5, 12), QPointF(10, 12));
  p.setPen(Pen(Qt::black, 1.5));
  p.drawLine(QPointF(13, 5), QPointF(13, 19));
  p.drawLine(QPointF(11, 5), QPointF(15, 5));
  p.drawLine(QPointF(11, 19), QPointF(15, 19));
}
void DrawRedCross(QPainter& p) {
  p.setPen(Pen(kRed, 4));
  p.drawLine(QPointF(5, 5), QPointF(19, 19));
  p.drawLine(QPointF(19, 5), QPointF(5, 19));
}
void DrawHorizontalDoubleArrow(QPainter& p) {
  Arrow(p, QPointF(12, 12), QPointF(2, 12), kAccent, 5);
  Arrow(p, QPointF(12, 12), QPointF(22, 12), kAccent, 5);
  p.setPen(QPen(kInk, 1, Qt::DashLine));
  p.drawLine(QPointF(12, 3), QPointF(12, 21));
}
void DrawVerticalDoubleArrow(QPainter& p) {
  Arrow(p, QPointF(12, 12), QPointF(12, 2), kAccent, 5);
  Arrow(p, QPointF(12, 12), QPointF(12, 22), kAccent, 5);
  p.setPen(QPen(kInk, 1, Qt::DashLine));
  p.drawLine(QPointF(3, 12), QPointF(21, 12));
}
void DrawTurnLeft(QPainter& p) { TurnArrow(p, false); }
void DrawTurnRight(QPainter& p) { TurnArrow(p, true); }
void DrawCropTool(QPainter& p) {
  p.setPen(Pen(kInk, 3));
  p.drawPolyline(QPolygonF({QPointF(6, 2), QPointF(6, 18), QPointF(22, 18)}));
  p.drawPolyline(QPolygonF({QPointF(2, 6), QPointF(18, 6), QPointF(18, 22)}));
}
void DrawLandscapeFrame(QPainter& p) { Frame(p, QRectF(2, 6, 20, 12)); }
void DrawPortraitFrame(QPainter& p) { Frame(p, QRectF(6, 2, 12, 20)); }
void DrawNoLimit(QPainter& p) {
  for (QPointF tip : {QPointF(12, 2), QPointF(22, 12), QPointF(12, 22), QPointF(2, 12)})
    Arrow(p, QPointF(12, 12), tip, kAccent, 4.5);
}
void DrawRatio32(QPainter& p) { Caption(p, "3:2"); }
void DrawRatio43(QPainter& p) { Caption(p, "4:3"); }
void DrawRatioNM(QPainter& p) { Caption(p, "N:M"); }
void DrawPadlock(QPainter& p) {
  p.setPen(Pen(kInk, 2.5));
  p.setBrush(Qt::NoBrush);
  p.drawArc(QRectF(7, 3, 10, 12), 0, 180 * 16);
  p.drawLine(QPointF(7, 9), QPointF(7, 11));
  p.drawLine(QPointF(17, 9), QPointF(17, 11));
  p.setPen(Pen(kInk, 1.2));
  p.setBrush(kGold);
  p.drawRect(QRectF(5, 11, 14, 10));
  p.setBrush(kInk);
  p.drawEllipse(QPointF(12, 15.5), 1.5, 1.5);
}
void DrawInfo(QPainter& p) { InfoSign(p); }
void DrawInfoLightning(QPainter& p) {
  InfoSign(p);
  p.setPen(Pen(kInk, 1));
  p.setBrush(kGold);
  p.drawPolygon(QPolygonF({QPointF(18, 9), QPointF(14, 16), QPointF(17, 16), QPointF(15, 23), QPointF(22, 14),
                           QPointF(19, 14), QPointF(22, 9)}));
}
void DrawInfoCrossed(QPainter& p) {
  InfoSign(p);
  CrossOut(p);
}
void DrawArrowsOut(QPainter& p) { FourWayArrows(p, true); }
void DrawArrowsIn(QPainter& p) { FourWayArrows(p, false); }
void DrawScreen(QPainter& p) { ProjectionScreen(p); }
void DrawScreenCrossed(QPainter& p) {
  ProjectionScreen(p);
  CrossOut(p);
}
void DrawPanelArrowLeft(QPainter& p) { Panel(p, true); }
void DrawPanelArrowRight(QPainter& p) { Panel(p, false); }
void DrawTools(QPainter& p) {
  p.setPen(Pen(QColor(120, 120, 130), 3.5));
  p.drawLine(QPointF(5, 19), QPointF(15, 9));
  p.setPen(Pen(QColor(120, 120, 130), 2));
  p.setBrush(Qt::NoBrush);
  p.drawArc(QRectF(13, 3, 8, 8), -60 * 16, 300 * 16);
  p.setPen(Pen(QColor(150, 90, 40), 3.5));
  p.drawLine(QPointF(5, 5), QPointF(19, 19));
}
void DrawQuestionMark(QPainter& p) {
  p.setPen(Pen(kInk, 1.5));
  p.setBrush(kAccent);
  p.drawEllipse(QRectF(3, 3, 18, 18));
  QFont font = p.font();
  font.setPixelSize(15);
  font.setBold(true);
  p.setFont(font);
  p.setPen(Qt::white);
  p.drawText(QRectF(3, 3, 18, 18), Qt::AlignCenter, "?");
}
void DrawDoor(QPainter& p) {
  p.setPen(Pen(kInk, 1.5));
  p.setBrush(QColor(150, 100, 60));
  p.drawRect(QRectF(6, 2, 12, 20));
  p.setBrush(QColor(90, 60, 30));
  p.drawPolygon(QPolygonF({QPointF(6, 2), QPointF(14, 5), QPointF(14, 23), QPointF(6, 22)}));
  p.setBrush(kGold);
  p.drawEllipse(QPointF(12, 13), 1.2, 1.2);
}

// A small portrait photo with a turning arrow: turned upright.
void DrawTurnUpright(QPainter& p) {
  Frame(p, QRectF(8, 4, 10, 16));
  TurnArrow(p, true);
}

using Painter = void (*)(QPainter&);
constexpr std::array<Painter, kActionIconCount> kPainters = {
    DrawOpenFolder,     DrawArrowLeft,       DrawArrowRight,     DrawTextField,     DrawRedCross,
    DrawHorizontalDoubleArrow, DrawVerticalDoubleArrow, DrawTurnLeft, DrawTurnRight, DrawCropTool,
    DrawLandscapeFrame, DrawPortraitFrame,   DrawNoLimit,        DrawRatio32,       DrawRatio43,
    DrawRatioNM,        DrawPadlock,         DrawInfo,           DrawInfoLightning, DrawInfoCrossed,
    DrawArrowsOut,      DrawArrowsIn,        DrawScreen,         DrawScreenCrossed, DrawPanelArrowLeft,
    DrawPanelArrowRight, DrawTools,          DrawQuestionMark,   DrawDoor,          DrawTurnUpright,
};

QImage Render(int number) {
  QImage image(kActionIconSize, kActionIconSize, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::TextAntialiasing);
  kPainters[size_t(number)](painter);
  return image;
}

// Highlighted: brighter colours. Disabled: grey at reduced opacity.
QImage Variant(QImage image, IconVariant variant) {
  if (variant == IconVariant::Normal) return image;
  image = image.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < image.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      QRgb c = line[x];
      int a = qAlpha(c);
      if (variant == IconVariant::Highlighted) {
        auto lift = [](int v) { return std::min(255, v + (255 - v) / 3); };
        line[x] = qRgba(lift(qRed(c)), lift(qGreen(c)), lift(qBlue(c)), a);
      } else {
        int grey = 128 + qGray(c) / 3;
        line[x] = qRgba(grey, grey, grey, a / 2);
      }
    }
  }
  return image;
}

}  // namespace

QPixmap ActionIconPixmap(int number, IconVariant variant) {
  if (number < 0 || number >= kActionIconCount) return QPixmap();
  return QPixmap::fromImage(Variant(Render(number), variant));
}

QIcon ActionIcon(int number) {
  QIcon icon;
  if (number < 0 || number >= kActionIconCount) return icon;
  icon.addPixmap(ActionIconPixmap(number, IconVariant::Normal), QIcon::Normal);
  icon.addPixmap(ActionIconPixmap(number, IconVariant::Highlighted), QIcon::Active);
  icon.addPixmap(ActionIconPixmap(number, IconVariant::Disabled), QIcon::Disabled);
  return icon;
}

}  // namespace pixaldo
