#include "photo_view/gui/PhotoImage.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWheelEvent>
#include <algorithm>

#include "photo_view/JpegDecoder.h"
#include "photo_view/gui/ReadAhead.h"
#include "platform/FileSystem.h"
#include "platform/gui/UserMessages.h"

namespace pixaldo {
namespace {

QImage ToQImage(const RgbImage& image) {
  if (image.Empty()) return {};
  const QImage view(image.pixels.data(), image.width, image.height, qsizetype(image.Stride()), QImage::Format_RGB888);
  return view.convertToFormat(QImage::Format_RGB32);
}

Qt::CursorShape CursorShape(CropCursor cursor) {
  switch (cursor) {
    case CropCursor::Move:
      return Qt::SizeAllCursor;
    case CropCursor::ResizeHorizontal:
      return Qt::SizeHorCursor;
    case CropCursor::ResizeVertical:
      return Qt::SizeVerCursor;
    case CropCursor::Cross:
    default:
      return Qt::CrossCursor;
  }
}

Point ToPoint(const QPointF& position) { return {int(position.x()), int(position.y())}; }

PointF ToPointF(const QPointF& position) { return {position.x(), position.y()}; }

// One notch of a mouse wheel, in eighths of a degree.
constexpr int kWheelNotch = 120;
// A wheel notch or an arrow key pans by this part of the panel.
constexpr int kPanParts = 8;

// Pictures above this many pixels that the read-ahead has not prepared are
// shown first from a decode at 1/8 and refined after.
constexpr uint64_t kQuickFirstPixels = 24'000'000;

}  // namespace

TPhotoImage::TPhotoImage(QWidget* panel, QLabel* cropLabel, QAction* cropAction)
    : QWidget(panel), CropLabel(cropLabel), CropAction(cropAction) {
  setObjectName(QStringLiteral("PhotoView"));
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
  setCursor(Qt::CrossCursor);
  // A click gives it the keys: the arrows pan and move the frame.
  setFocusPolicy(Qt::ClickFocus);
  hide();
  setEnabled(false);
  if (panel) panel->installEventFilter(this);
}

void TPhotoImage::LoadPicture(const QString& fileName, QLabel* dimensionLabel) {
  Turning = {};  // a turn made ahead belongs to the picture shown before
  FileName_.clear();
  Display_ = {};
  if (dimensionLabel) dimensionLabel->clear();
  // Decode no more pixels than the largest fit into the present panel needs.
  const QWidget* panel = parentWidget();
  const double ratio = devicePixelRatioF();
  const int width = panel ? DevicePixels(panel->width(), ratio) : 0;
  const int height = panel ? DevicePixels(panel->height(), ratio) : 0;
  const std::filesystem::path file = QStringToPath(fileName);
  View.SetColour(Colour);
  const bool readAhead = ReadAhead && !fileName.isEmpty();
  if (std::optional<PreparedPicture> prepared = readAhead ? ReadAhead->Take(fileName, Layout()) : std::nullopt) {
    View.Adopt(std::move(*prepared));
  } else if (readAhead) {
    View.LoadPicture(file, width, height, kQuickFirstPixels);
  } else {
    View.LoadPicture(file, width, height);
  }
  FileName_ = fileName;
  if (dimensionLabel) dimensionLabel->setText(FromCp1250(View.DimensionText()));
}

void TPhotoImage::SkipPicture(const QString& fileName, QLabel* dimensionLabel) {
  LoadPicture(QString(), dimensionLabel);
  if (!dimensionLabel || fileName.isEmpty()) return;
  try {
    const JpegSize size = JpegDecoder().ReadSize(QStringToPath(fileName));
    dimensionLabel->setText(QString::number(size.width) + QChar(0xD7) + QString::number(size.height));
  } catch (const std::exception&) {
    // No size to show: the picture's own load will say what is wrong.
  }
}

void TPhotoImage::FitAndShow(FitChoice choice, bool cropAllowed, QLabel* zoomLabel) {
  Choice = choice;
  CropAllowed_ = cropAllowed;
  if (zoomLabel) ZoomLabel = zoomLabel;
  const QWidget* panel = parentWidget();
  View.SetStretchFilterIndex(StretchFilterIndex);
  View.SetColour(Colour);
  View.SetMaxCropFrame(MaxCropFrame);
  View.SetDevicePixelRatio(devicePixelRatioF());
  try {
    View.FitAndShow(panel ? panel->width() : 0, panel ? panel->height() : 0, choice, cropAllowed);
  } catch (const std::exception&) {
    // Only a picture that was never decoded can fail here: show nothing.
    View.LoadPicture({});
    FileName_.clear();
    View.FitAndShow(0, 0, choice, false);
  }
  if (zoomLabel) zoomLabel->setText(ZoomText());
  // Enabled with a picture, for zoom and pan; the frame asks CropAllowed.
  setEnabled(View.HasPicture());
  setVisible(View.Visible());
  Show();
  Apply({true, false});  // every fit removes the crop frame
}

void TPhotoImage::PanelResized(bool cropAllowed) {
  if (!Zoomed()) {
    FitAndShow(Choice, cropAllowed, nullptr);
    return;
  }
  CropAllowed_ = cropAllowed;
  const QWidget* panel = parentWidget();
  View.SetDevicePixelRatio(devicePixelRatioF());
  try {
    View.Relayout(panel->width(), panel->height());
  } catch (const std::exception&) {
    FitAndShow(Choice, cropAllowed, nullptr);  // the pixels at hand, fitted
    return;
  }
  Show();
}

void TPhotoImage::Show() {
  if (View.HasPicture()) {
    const Rect control = View.Control();
    setGeometry(control.left, control.top, control.Width(), control.Height());
  }
  Display_ = ToQImage(View.Display());
  Display_.setDevicePixelRatio(View.DevicePixelRatio());
  if (ZoomLabel) ZoomLabel->setText(ZoomText());
  UpdateCursor();
  update();
}

QRect TPhotoImage::Shown() const {
  const Rect control = View.Control();
  return {control.left, control.top, control.Width(), control.Height()};
}

namespace {

// A zoom or pan that needs a decode the memory does not allow leaves the
// picture as it was.
template <typename Step>
bool Try(Step step) {
  try {
    return step();
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace

void TPhotoImage::ZoomIn() {
  const QWidget* panel = parentWidget();
  if (panel && Try([&] { return View.ZoomIn({panel->width() / 2.0, panel->height() / 2.0}); })) Show();
}

void TPhotoImage::ZoomOut() {
  const QWidget* panel = parentWidget();
  if (panel && Try([&] { return View.ZoomOut({panel->width() / 2.0, panel->height() / 2.0}); })) Show();
}

void TPhotoImage::ActualPixels() {
  const QWidget* panel = parentWidget();
  if (panel && Try([&] { return View.ActualPixels({panel->width() / 2.0, panel->height() / 2.0}); })) Show();
}

void TPhotoImage::FitView() {
  if (Try([&] { return View.FitView(); })) Show();
}

QPointF TPhotoImage::InPanel(const QPointF& position) const { return position + QPointF(pos()); }

void TPhotoImage::Wheel(QWheelEvent* event, QPointF inPanel) {
  const QPoint angle = event->angleDelta();
  const int delta = angle.y() != 0 ? angle.y() : angle.x();
  if (delta == 0 || !View.HasPicture()) return;
  const Qt::KeyboardModifiers modifiers = event->modifiers();
  if (modifiers & Qt::ControlModifier) {
    WheelRest += delta;
    bool changed = false;
    for (; WheelRest >= kWheelNotch; WheelRest -= kWheelNotch)
      changed |= Try([&] { return View.ZoomIn(ToPointF(inPanel)); });
    for (; WheelRest <= -kWheelNotch; WheelRest += kWheelNotch)
      changed |= Try([&] { return View.ZoomOut(ToPointF(inPanel)); });
    if (changed) Show();
    return;
  }
  const QWidget* panel = parentWidget();
  const Viewport& place = View.Placement();
  const bool sideways = (modifiers & Qt::ShiftModifier) || angle.y() == 0;
  if (!place.CanPanX() && !place.CanPanY()) {
    if (!sideways) emit BrowseRequested(delta < 0 ? 1 : -1);
    return;
  }
  // A picture only wider than the panel goes across with the plain wheel too.
  const bool across = sideways || !place.CanPanY();
  const int extent = across ? panel->width() : panel->height();
  const int step = delta * std::max(1, extent / kPanParts) / kWheelNotch;
  if (Try([&] { return across ? View.PanBy(step, 0) : View.PanBy(0, step); })) Show();
}

void TPhotoImage::DoubleClick(QPointF inPanel) {
  if (!View.HasPicture()) return;
  const bool changed = Zoomed() ? Try([&] { return View.FitView(); })
                                : Try([&] { return View.ActualPixels(ToPointF(inPanel)); });
  if (changed) Show();
}

bool TPhotoImage::DragPicture(QMouseEvent* event) {
  const QPointF at = InPanel(event->position());
  switch (event->type()) {
    case QEvent::MouseButtonPress: {
      const bool middle = event->button() == Qt::MiddleButton;
      // Where no frame can be drawn (presenting), the left button drags too.
      const bool left = event->button() == Qt::LeftButton && (SpaceHeld || !CropAllowed_);
      if (!middle && !left) return false;
      Dragging = true;
      DragFrom = at;
      UpdateCursor();
      return true;
    }
    case QEvent::MouseMove: {
      if (!Dragging) return false;
      const QPointF moved = at - DragFrom;
      const int dx = int(moved.x()), dy = int(moved.y());
      DragFrom += QPointF(dx, dy);
      if ((dx || dy) && Try([&] { return View.PanBy(dx, dy); })) Show();
      return true;
    }
    case QEvent::MouseButtonRelease:
      if (!Dragging) return false;
      if (event->buttons() & (Qt::MiddleButton | Qt::LeftButton)) return true;
      Dragging = false;
      UpdateCursor();
      return true;
    default:
      return false;
  }
}

bool TPhotoImage::ArrowKey(QKeyEvent* event) {
  int dx = 0, dy = 0;
  switch (event->key()) {
    case Qt::Key_Left: dx = -1; break;
    case Qt::Key_Right: dx = 1; break;
    case Qt::Key_Up: dy = -1; break;
    case Qt::Key_Down: dy = 1; break;
    default: return false;
  }
  const Qt::KeyboardModifiers modifiers = event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
  if (modifiers == Qt::ShiftModifier || modifiers == (Qt::ShiftModifier | Qt::ControlModifier)) {
    const CropNudge kind = modifiers == Qt::ShiftModifier ? CropNudge::Move : CropNudge::Resize;
    Apply(View.Crop().Nudge(kind, dx, dy));
    return true;
  }
  if (modifiers != Qt::NoModifier) return false;
  // The arrow points where the view goes: the picture moves the other way.
  const QWidget* panel = parentWidget();
  const int stepX = std::max(1, panel->width() / kPanParts), stepY = std::max(1, panel->height() / kPanParts);
  if (Try([&] { return View.PanBy(-dx * stepX, -dy * stepY); })) Show();
  return true;
}

void TPhotoImage::UpdateCursor() {
  if (Dragging)
    setCursor(Qt::ClosedHandCursor);
  else if (SpaceHeld || (!CropAllowed_ && (View.Placement().CanPanX() || View.Placement().CanPanY())))
    setCursor(Qt::OpenHandCursor);
  else if (CropAllowed_)
    setCursor(CursorShape(View.Crop().Cursor()));
  else
    setCursor(Qt::ArrowCursor);
}

void TPhotoImage::SetReadAhead(TReadAhead* readAhead) {
  if (ReadAhead) disconnect(ReadAhead, nullptr, this, nullptr);
  ReadAhead = readAhead;
  if (ReadAhead) connect(ReadAhead, &TReadAhead::Ready, this, &TPhotoImage::Refine);
}

void TPhotoImage::ReadAround(const QStringList& files) {
  if (!ReadAhead) return;
  QStringList wanted = files;
  if (View.Quick()) wanted.prepend(FileName_);  // the full picture first
  ReadAhead->Ahead(wanted, Layout());
}

PanelLayout TPhotoImage::Layout() const {
  const QWidget* panel = parentWidget();
  return {panel ? panel->width() : 0, panel ? panel->height() : 0, Choice, StretchFilterIndex, View.AutoOrient(),
          devicePixelRatioF(), Colour};
}

void TPhotoImage::Refine(const QString& file) {
  // A frame being drawn on the quick picture stays; so does that picture,
  // and a zoomed one (which decoded what it needs).
  if (file != FileName_ || !View.Quick() || !View.Crop().Crop().Empty() || Zoomed()) return;
  std::optional<PreparedPicture> prepared = ReadAhead->Take(file, Layout());
  if (!prepared) return;
  View.Adopt(std::move(*prepared));
  FitAndShow(Choice, CropAllowed_, nullptr);
}

bool TPhotoImage::TurnPicture(Orientation turn, FitChoice choice, bool cropAllowed, QLabel* zoomLabel,
                              QLabel* dimensionLabel) {
  if (FileName_.isEmpty()) return false;
  std::string bytes;
  try {
    bytes = ReadWholeFile(QStringToPath(FileName_));
  } catch (const std::exception&) {
    return false;
  }
  std::optional<PreparedPicture> ahead = Turning.valid() ? Turning.get() : std::nullopt;
  if (!View.Turn(turn, std::move(bytes), ahead ? &*ahead : nullptr)) return false;
  if (dimensionLabel) dimensionLabel->setText(FromCp1250(View.DimensionText()));
  FitAndShow(choice, cropAllowed, zoomLabel);
  return true;
}

void TPhotoImage::TurnAhead(Orientation turn) {
  std::optional<PreparedPicture> picture = View.TurnAhead(turn);
  if (!picture) return;
  const PanelLayout layout = Layout();
  Turning = std::async(std::launch::async, [picture = std::move(*picture), layout]() mutable {
    MakeTurned(picture, layout.width, layout.height, layout.fit, layout.filterIndex, layout.devicePixelRatio);
    return std::optional<PreparedPicture>(std::move(picture));
  });
}

void TPhotoImage::SetBlockSize(int blockWidth, int blockHeight) {
  View.SetBlockSize(uint8_t(blockWidth), uint8_t(blockHeight));
}

void TPhotoImage::SetCropMode(int modeIndex, int cropStyle, int ratioN, int ratioM, int sizeN, int sizeM) {
  View.Crop().SetCropMode(modeIndex, cropStyle, ratioN, ratioM, sizeN, sizeM);
  Apply({true, false});
}

void TPhotoImage::ClearCrop() {
  View.Crop().ClearCrop();
  Apply({true, false});
}

QString TPhotoImage::CropGeometry() const { return QString::fromStdString(View.Crop().CropGeometry()); }

void TPhotoImage::Apply(const CropEvents& events) {
  if (events.beep) {
    ++BeepCount;
    QApplication::beep();
  }
  if (!events.redraw) return;
  if (CropLabel) CropLabel->setText(FromCp1250(View.Crop().CropLabel()));
  if (CropAction) CropAction->setEnabled(View.Crop().CropActionEnabled());
  update();
}

void TPhotoImage::Compose(QPainter& painter) const {
  painter.drawImage(0, 0, Display_);
  if (!View.Crop().Outline().empty()) {
    QPainterPath outline;
    outline.setFillRule(Qt::OddEvenFill);
    for (const Contour& contour : View.Crop().Outline()) {
      QPolygonF polygon;
      for (const Point& p : contour) polygon << QPointF(p.x, p.y);
      polygon << polygon.first();
      outline.addPolygon(polygon);
    }
    painter.fillPath(outline, QColor(0, 0, 0, 96));
  }
  const Rect frame = View.Crop().FrameOnScreen();
  if (!frame.Empty()) {
    painter.setPen(QPen(Qt::white, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRect(frame.left, frame.top, frame.Width() - 1, frame.Height() - 1));
  }
}

QImage TPhotoImage::Composed() const {
  QImage image(size(), QImage::Format_RGB32);
  image.fill(Qt::black);
  QPainter painter(&image);
  Compose(painter);
  return image;
}

void TPhotoImage::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::black);
  Compose(painter);
}

void TPhotoImage::mousePressEvent(QMouseEvent* event) {
  QWidget::mousePressEvent(event);
  if (DragPicture(event) || event->button() != Qt::LeftButton || !CropAllowed_) return;
  Apply(View.Crop().MouseDown(ToPoint(event->position())));
  UpdateCursor();
}

void TPhotoImage::mouseMoveEvent(QMouseEvent* event) {
  QWidget::mouseMoveEvent(event);
  if (DragPicture(event) || !CropAllowed_ || SpaceHeld) return;
  Apply(View.Crop().MouseMove(ToPoint(event->position()), event->buttons() & Qt::LeftButton));
  UpdateCursor();
}

void TPhotoImage::mouseReleaseEvent(QMouseEvent* event) {
  QWidget::mouseReleaseEvent(event);
  if (DragPicture(event) || event->button() != Qt::LeftButton || !CropAllowed_) return;
  Apply(View.Crop().MouseUp(ToPoint(event->position())));
}

void TPhotoImage::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton)
    DoubleClick(InPanel(event->position()));
  else
    QWidget::mouseDoubleClickEvent(event);
}

void TPhotoImage::wheelEvent(QWheelEvent* event) {
  Wheel(event, InPanel(event->position()));
  event->accept();
}

void TPhotoImage::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier) {
    if (!event->isAutoRepeat()) SpaceHeld = true, UpdateCursor();
    return;
  }
  if (!ArrowKey(event)) QWidget::keyPressEvent(event);
}

void TPhotoImage::keyReleaseEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Space && !event->isAutoRepeat()) {
    SpaceHeld = false;
    UpdateCursor();
    return;
  }
  QWidget::keyReleaseEvent(event);
}

void TPhotoImage::focusOutEvent(QFocusEvent* event) {
  SpaceHeld = false;  // its release goes elsewhere now
  UpdateCursor();
  QWidget::focusOutEvent(event);
}

// Around a picture smaller than the panel, the panel's wheel, double click
// and drags act as on the picture.
bool TPhotoImage::eventFilter(QObject* watched, QEvent* event) {
  if (watched != parentWidget() || !View.HasPicture()) return QWidget::eventFilter(watched, event);
  switch (event->type()) {
    case QEvent::Wheel: {
      auto* wheel = static_cast<QWheelEvent*>(event);
      Wheel(wheel, wheel->position());
      return true;
    }
    case QEvent::MouseButtonDblClick: {
      auto* mouse = static_cast<QMouseEvent*>(event);
      if (mouse->button() != Qt::LeftButton) break;
      DoubleClick(mouse->position());
      return true;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
    case QEvent::MouseButtonRelease: {
      // The panel's positions, as the control's would be after InPanel.
      auto* mouse = static_cast<QMouseEvent*>(event);
      QMouseEvent moved(mouse->type(), mouse->position() - QPointF(pos()), mouse->globalPosition(), mouse->button(),
                        mouse->buttons(), mouse->modifiers());
      if (DragPicture(&moved)) return true;
      break;
    }
    default:
      break;
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace pixaldo
