#pragma once
// TPhotoImage: the control that shows the current picture in the main
// window's picture panel, fitted without enlarging, and carries the crop
// frame drawn with the mouse. It decodes a file once, resamples it once per
// fit and, while the mouse draws the frame, only recomposes the already
// resampled picture with the darkened outline and the white frame.
#include <QAction>
#include <QImage>
#include <QLabel>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <string>

#include "photo_view/CropFrame.h"
#include "photo_view/FitGeometry.h"
#include "photo_view/JpegDecoder.h"
#include "photo_view/RgbImage.h"

namespace pixaldo {

class TPhotoImage : public QWidget {
  Q_OBJECT

 public:
  TPhotoImage(QWidget* panel, QLabel* cropLabel, QAction* cropAction);

  // Reads and decodes the file and writes its size into the label; an empty
  // name forgets the picture and empties the label. Throws FileError when
  // the file cannot be read or decoded (then no picture is held).
  void LoadPicture(const QString& fileName, QLabel* dimensionLabel);
  // Fits the picture into the panel, resamples it, writes the zoom label and
  // removes any crop frame.
  void FitAndShow(bool squareBox, bool cropAllowed, QLabel* zoomLabel);

  void SetBlockSize(int blockWidth, int blockHeight);
  void SetCropMode(int modeIndex, int cropStyle, int ratioN, int ratioM, int sizeN, int sizeM);
  void ClearCrop();
  QString CropGeometry() const;
  int CropStyle() const { return Frame.CropStyle(); }

  const QString& FileName() const { return FileName_; }
  QSize PictureSize() const { return {Full.width, Full.height}; }
  double Scale() const { return Fit.scale; }
  const CropFrame& CropState() const { return Frame; }
  // The picture as resampled for the control.
  const QImage& Display() const { return Display_; }
  // The bitmap as drawn (picture, darkened outline, frame).
  QImage Composed() const;

  unsigned StretchFilterIndex = 0;
  bool MaxCropFrame = false;
  int BeepCount = 0;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void Apply(const CropEvents& events);
  void Compose(QPainter& painter) const;
  void DecodeFor(int width, int height);

  QPointer<QLabel> CropLabel;
  QPointer<QAction> CropAction;
  QString FileName_;
  std::string Bytes;     // the file as read, kept to decode it again larger
  JpegSize Full;         // the picture's own size
  DecodedPicture Source; // the picture decoded (reduced by DCT scaling when that suffices)
  QImage Display_;
  FitResult Fit;
  CropFrame Frame;
  JpegDecoder Decoder;
};

}  // namespace pixaldo
