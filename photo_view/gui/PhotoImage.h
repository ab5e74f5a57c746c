#pragma once
// TPhotoImage: the control that shows the current picture in the main
// window's picture panel, fitted without enlarging, and carries the crop
// frame drawn with the mouse. The picture, its fit and the frame are a
// PhotoView's; the control places itself where the fit says, paints the
// resampled picture with the darkened outline and the white frame, and hands
// the mouse to the frame.
#include <QAction>
#include <QImage>
#include <QLabel>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <future>
#include <optional>
#include <string>

#include "photo_view/PhotoView.h"

namespace pixaldo {

class TReadAhead;

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

  // With a read-ahead, LoadPicture takes what it prepared, and a very large
  // picture that it did not is shown first from a quick small decode and
  // replaced when the read-ahead has prepared it in full.
  void SetReadAhead(TReadAhead* readAhead);
  // Has these files prepared next, the most wanted first.
  void ReadAround(const QStringList& files);
  // After jpegtran rewrote the shown file in place so that the picture
  // shown turns by `turn`: turns the picture held and shows it fitted again,
  // without decoding the file. False when that cannot give what a decode
  // would; the caller then loads the file again.
  bool TurnPicture(Orientation turn, bool squareBox, bool cropAllowed, QLabel* zoomLabel, QLabel* dimensionLabel);
  // While jpegtran turns the shown file: has the picture held turned and
  // fitted on a worker thread, for TurnPicture to take when the file is done.
  void TurnAhead(Orientation turn);

  void SetBlockSize(int blockWidth, int blockHeight);
  // Whether pictures loaded from now on are shown upright by their EXIF orientation.
  void SetAutoOrient(bool on) { View.SetAutoOrient(on); }
  bool AutoOrient() const { return View.AutoOrient(); }
  // The shown file's EXIF orientation (upright without a picture).
  Orientation PictureOrientation() const { return View.PictureOrientation(); }
  void SetCropMode(int modeIndex, int cropStyle, int ratioN, int ratioM, int sizeN, int sizeM);
  void ClearCrop();
  QString CropGeometry() const;
  int CropStyle() const { return View.CropStyle(); }

  const QString& FileName() const { return FileName_; }
  QSize PictureSize() const { return {View.PictureSize().width, View.PictureSize().height}; }
  double Scale() const { return View.Scale(); }
  const CropFrame& CropState() const { return View.Crop(); }
  // The picture as resampled for the control, in device pixels.
  const QImage& Display() const { return Display_; }
  // The bitmap as drawn (picture, darkened outline, frame).
  QImage Composed() const;

  unsigned StretchFilterIndex = 0;
  bool MaxCropFrame = false;
  // The colours pictures are drawn for (the screen's profile, the settings).
  ColourTarget Colour = ColourTarget::Off();
  int BeepCount = 0;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void Apply(const CropEvents& events);
  void Refine(const QString& file);
  // What pictures are read ahead for: this panel, fit and screen.
  PanelLayout Layout() const;
  void Compose(QPainter& painter) const;

  QPointer<QLabel> CropLabel;
  QPointer<QAction> CropAction;
  QString FileName_;
  PhotoView View;
  QImage Display_;
  QPointer<TReadAhead> ReadAhead;
  // The last fit's choices, for the refinement of a quick first picture.
  bool SquareBox = true;
  std::future<std::optional<PreparedPicture>> Turning;  // TurnAhead's work
  bool CropAllowed = false;
};

}  // namespace pixaldo
