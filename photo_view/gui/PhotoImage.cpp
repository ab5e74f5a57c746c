#include "photo_view/gui/PhotoImage.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include "photo_view/Resampler.h"
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

}  // namespace

TPhotoImage::TPhotoImage(QWidget* panel, QLabel* cropLabel, QAction* cropAction)
    : QWidget(panel), CropLabel(cropLabel), CropAction(cropAction) {
  setObjectName(QStringLiteral("PhotoView"));
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
  setCursor(Qt::CrossCursor);
  hide();
  setEnabled(false);
}

void TPhotoImage::LoadPicture(const QString& fileName, QLabel* dimensionLabel) {
  FileName_ = fileName;
  Bytes.clear();
  Full = {};
  Source = {};
  if (fileName.isEmpty()) {
    if (dimensionLabel) dimensionLabel->clear();
    return;
  }
  try {
    const std::filesystem::path path = QStringToPath(fileName);
    Bytes = ReadWholeFile(path);
    Full = Decoder.ReadSize(Bytes, path);
    // Decode no more pixels than the largest fit into the present panel needs.
    const QWidget* panel = parentWidget();
    const FitResult largest = FitGeometry::FitToParent(panel ? panel->width() : 0, panel ? panel->height() : 0,
                                                       Full.width, Full.height, false);
    DecodeFor(largest.width, largest.height);
  } catch (...) {
    FileName_.clear();
    Bytes.clear();
    Full = {};
    Source = {};
    if (dimensionLabel) dimensionLabel->clear();
    throw;
  }
  if (dimensionLabel)
    dimensionLabel->setText(QString::number(Full.width) + QChar(0x00D7) + QString::number(Full.height));
}

void TPhotoImage::DecodeFor(int width, int height) {
  Source = Decoder.Decode(Bytes, width, height, QStringToPath(FileName_));
}

void TPhotoImage::FitAndShow(bool squareBox, bool cropAllowed, QLabel* zoomLabel) {
  const bool loaded = !FileName_.isEmpty() && Full.width > 0 && Full.height > 0;
  if (loaded) {
    const QWidget* panel = parentWidget();
    Fit = FitGeometry::FitToParent(panel->width(), panel->height(), Full.width, Full.height, squareBox);
    // A panel grown beyond what the reduced decode covers needs more pixels.
    // Should that fail (memory), the smaller picture is stretched instead.
    if (Source.scaleDenominator > 1 && (Source.image.width < Fit.width || Source.image.height < Fit.height)) {
      try {
        DecodeFor(Fit.width, Fit.height);
      } catch (const std::exception&) {
      }
    }
    setGeometry(Fit.left, Fit.top, Fit.width, Fit.height);
    Display_ = ToQImage(Resampler::Resample(Source.image, qMax(1, Fit.width), qMax(1, Fit.height),
                                            StretchFilterIndex));
    Frame.SetView({Fit.width, Fit.height, Fit.scale, Full.width, Full.height});
  } else {
    Fit = {};
    Frame.SetView({});
  }
  if (zoomLabel) zoomLabel->setText(loaded ? QString::fromStdString(FitGeometry::ZoomText(Fit.scale)) : QString());
  setEnabled(loaded && cropAllowed);
  setVisible(loaded);
  Frame.SetMaxCropFrame(MaxCropFrame);
  ClearCrop();
}

void TPhotoImage::SetBlockSize(int blockWidth, int blockHeight) {
  Frame.SetBlockSize(uint8_t(blockWidth), uint8_t(blockHeight));
}

void TPhotoImage::SetCropMode(int modeIndex, int cropStyle, int ratioN, int ratioM, int sizeN, int sizeM) {
  Frame.SetCropMode(modeIndex, cropStyle, ratioN, ratioM, sizeN, sizeM);
  Apply({true, false});
}

void TPhotoImage::ClearCrop() {
  Frame.ClearCrop();
  Apply({true, false});
}

QString TPhotoImage::CropGeometry() const { return QString::fromStdString(Frame.CropGeometry()); }

void TPhotoImage::Apply(const CropEvents& events) {
  if (events.beep) {
    ++BeepCount;
    QApplication::beep();
  }
  if (!events.redraw) return;
  if (CropLabel) CropLabel->setText(FromCp1250(Frame.CropLabel()));
  if (CropAction) CropAction->setEnabled(Frame.CropActionEnabled());
  update();
}

void TPhotoImage::Compose(QPainter& painter) const {
  painter.drawImage(0, 0, Display_);
  if (!Frame.Outline().empty()) {
    QPainterPath outline;
    outline.setFillRule(Qt::OddEvenFill);
    for (const Contour& contour : Frame.Outline()) {
      QPolygonF polygon;
      for (const Point& p : contour) polygon << QPointF(p.x, p.y);
      polygon << polygon.first();
      outline.addPolygon(polygon);
    }
    painter.fillPath(outline, QColor(0, 0, 0, 96));
  }
  const Rect frame = Frame.FrameOnScreen();
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
  Apply(Frame.MouseDown(ToPoint(event->position())));
  setCursor(CursorShape(Frame.Cursor()));
}

void TPhotoImage::mouseMoveEvent(QMouseEvent* event) {
  QWidget::mouseMoveEvent(event);
  Apply(Frame.MouseMove(ToPoint(event->position()), event->buttons() & Qt::LeftButton));
  setCursor(CursorShape(Frame.Cursor()));
}

void TPhotoImage::mouseReleaseEvent(QMouseEvent* event) {
  QWidget::mouseReleaseEvent(event);
  Apply(Frame.MouseUp(ToPoint(event->position())));
}

}  // namespace pixaldo
