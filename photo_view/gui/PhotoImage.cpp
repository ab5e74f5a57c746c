#include "photo_view/gui/PhotoImage.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

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
  hide();
  setEnabled(false);
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

void TPhotoImage::FitAndShow(bool squareBox, bool cropAllowed, QLabel* zoomLabel) {
  SquareBox = squareBox;
  CropAllowed = cropAllowed;
  const QWidget* panel = parentWidget();
  View.SetStretchFilterIndex(StretchFilterIndex);
  View.SetColour(Colour);
  View.SetMaxCropFrame(MaxCropFrame);
  View.SetDevicePixelRatio(devicePixelRatioF());
  try {
    View.FitAndShow(panel ? panel->width() : 0, panel ? panel->height() : 0, squareBox, cropAllowed);
  } catch (const std::exception&) {
    // Only a picture that was never decoded can fail here: show nothing.
    View.LoadPicture({});
    FileName_.clear();
    View.FitAndShow(0, 0, squareBox, false);
  }
  const FitResult& fit = View.Fit();
  if (View.HasPicture()) setGeometry(fit.left, fit.top, fit.width, fit.height);
  Display_ = ToQImage(View.Display());
  Display_.setDevicePixelRatio(View.DevicePixelRatio());
  if (zoomLabel) zoomLabel->setText(QString::fromStdString(View.ZoomText()));
  setEnabled(View.Enabled());
  setVisible(View.Visible());
  Apply({true, false});  // every fit removes the crop frame
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
  return {panel ? panel->width() : 0, panel ? panel->height() : 0, SquareBox, StretchFilterIndex, View.AutoOrient(),
          devicePixelRatioF(), Colour};
}

void TPhotoImage::Refine(const QString& file) {
  // A frame being drawn on the quick picture stays; so does that picture.
  if (file != FileName_ || !View.Quick() || !View.Crop().Crop().Empty()) return;
  std::optional<PreparedPicture> prepared = ReadAhead->Take(file, Layout());
  if (!prepared) return;
  View.Adopt(std::move(*prepared));
  FitAndShow(SquareBox, CropAllowed, nullptr);
}

bool TPhotoImage::TurnPicture(Orientation turn, bool squareBox, bool cropAllowed, QLabel* zoomLabel,
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
  FitAndShow(squareBox, cropAllowed, zoomLabel);
  return true;
}

void TPhotoImage::TurnAhead(Orientation turn) {
  std::optional<PreparedPicture> picture = View.TurnAhead(turn);
  if (!picture) return;
  const PanelLayout layout = Layout();
  Turning = std::async(std::launch::async, [picture = std::move(*picture), layout]() mutable {
    MakeTurned(picture, layout.width, layout.height, layout.squareBox, layout.filterIndex, layout.devicePixelRatio);
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
  Apply(View.Crop().MouseDown(ToPoint(event->position())));
  setCursor(CursorShape(View.Crop().Cursor()));
}

void TPhotoImage::mouseMoveEvent(QMouseEvent* event) {
  QWidget::mouseMoveEvent(event);
  Apply(View.Crop().MouseMove(ToPoint(event->position()), event->buttons() & Qt::LeftButton));
  setCursor(CursorShape(View.Crop().Cursor()));
}

void TPhotoImage::mouseReleaseEvent(QMouseEvent* event) {
  QWidget::mouseReleaseEvent(event);
  Apply(View.Crop().MouseUp(ToPoint(event->position())));
}

}  // namespace pixaldo
