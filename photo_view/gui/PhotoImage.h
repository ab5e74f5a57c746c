#pragma once
// TPhotoImage: the control that shows the current picture in the main
// window's picture panel, fitted or zoomed, and carries the crop frame drawn
// with the mouse. The picture, its place and the frame are a PhotoView's;
// the control covers the part of the picture inside the panel, paints it
// with the darkened outline and the white frame, and maps the mouse, the
// wheel and the keys to zoom, pan and frame:
//   Ctrl+wheel zooms around the pointer, a double click goes between the
//   fit and actual pixels around the point clicked; the wheel pans down,
//   Shift+wheel across; the middle button, or the left one while Space is
//   held, drags the picture; the left button alone draws the frame; with the
//   focus the arrows pan, Shift+arrows move the frame and Ctrl+Shift+arrows
//   resize it by one block. The panel's own events (around a small
//   picture) count as the control's.
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
  // Forgets the picture without decoding the file's (while something else
  // stands in its place): the label shows the size its header gives.
  void SkipPicture(const QString& fileName, QLabel* dimensionLabel);
  // Fits the picture into the panel, resamples it, writes the zoom label and
  // removes any crop frame.
  // The label is kept for the zoom commands.
  void FitAndShow(FitChoice choice, bool cropAllowed, QLabel* zoomLabel);
  void FitAndShow(bool squareBox, bool cropAllowed, QLabel* zoomLabel) {
    FitAndShow(FitChoice{squareBox ? FitMode::Square : FitMode::Width}, cropAllowed, zoomLabel);
  }
  // The panel was resized: a zoomed picture keeps zoom, middle and frame,
  // a fitted one is fitted again.
  void PanelResized(bool cropAllowed);

  // The zoom commands, around the middle of the panel.
  void ZoomIn();
  void ZoomOut();
  void ActualPixels();
  void FitView();
  bool Zoomed() const { return View.HasPicture() && !View.Placement().Fitted(); }
  QString ZoomText() const { return QString::fromStdString(View.ZoomText()); }
  // The part of the picture shown, in the panel's pixels.
  QRect Shown() const;

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
  bool TurnPicture(Orientation turn, FitChoice choice, bool cropAllowed, QLabel* zoomLabel, QLabel* dimensionLabel);
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
  // Whether the mouse may draw a crop frame now.
  bool CropAllowed() const { return CropAllowed_; }

 signals:
  // The wheel without a modifier over a picture that fits: the next (1) or
  // previous (-1) photo, for whoever browses.
  void BrowseRequested(int step);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void Apply(const CropEvents& events);
  // Shows the view's new place and pixels after a zoom or pan.
  void Show();
  // A mouse position in the panel's pixels.
  QPointF InPanel(const QPointF& position) const;
  void Wheel(QWheelEvent* event, QPointF inPanel);
  void DoubleClick(QPointF inPanel);
  // Starts, continues or ends a drag of the picture; false when the event
  // is no such drag.
  bool DragPicture(QMouseEvent* event);
  bool ArrowKey(QKeyEvent* event);
  void UpdateCursor();
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
  FitChoice Choice;
  std::future<std::optional<PreparedPicture>> Turning;  // TurnAhead's work
  bool CropAllowed_ = false;
  QPointer<QLabel> ZoomLabel;
  bool SpaceHeld = false;
  bool Dragging = false;  // the picture, not the frame
  QPointF DragFrom;       // in the panel
  int WheelRest = 0;      // a zoom wheel's eighths of a degree not yet a step
};

}  // namespace pixaldo
