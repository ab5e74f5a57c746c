#pragma once
// The crop frame drawn with the mouse on the shown picture: a state machine
// fed with mouse events in control pixels. It lives in picture pixels on the
// picture's DCT block grid, so that the lossless crop cuts where it is drawn.
// Cursor shapes, beeps and repaints are requested from the caller, never
// performed here.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "photo_view/FitGeometry.h"

namespace pixaldo {

enum class CropCursor { Cross, Move, ResizeHorizontal, ResizeVertical };

// What a drag does (`DragKind`).
enum CropDragKind : unsigned {
  kDragNewFrame = 0,
  kDragTopEdge = 1,
  kDragRightEdge = 2,
  kDragBottomEdge = 3,
  kDragLeftEdge = 4,
  kDragMove = 5,
};

// `RatioMode`.
enum CropRatioMode : unsigned { kRatioFree = 0, kRatioAspect = 1, kRatioFixedSize = 2 };

// Requests to the caller after an operation.
struct CropEvents {
  bool redraw = false;  // the outline or frame changed: compose and repaint
  bool beep = false;    // a fixed frame larger than the picture: system beep
};

// The picture as shown: control size, scale and picture size, and where
// the whole picture lies in control pixels when the control shows only a
// part of it (zoomed and panned); empty: the control shows all of it.
struct CropView {
  int controlWidth = 0;
  int controlHeight = 0;
  double scale = 0.0;
  int pictureWidth = 0;
  int pictureHeight = 0;
  Rect placed;
};

// The arrow keys on the frame: a move, or a resize of the right and bottom
// edges (the top-left corner stays), by one block.
enum class CropNudge { Move, Resize };

using Contour = std::array<Point, 4>;

class CropFrame {
 public:
  static constexpr int kTolerance = 7;  // picture pixels around the frame's edges

  // Called by the view after every fit.
  void SetView(const CropView& view) { view_ = view; }
  const CropView& View() const { return view_; }

  // Mode index 0..4 ("CropProportion") with the crop style (0 landscape,
  // 1 portrait) and the settings' ratio and size parts. Clears the frame.
  CropEvents SetCropMode(int modeIndex, int cropStyle, int ratioN, int ratioM, int sizeN, int sizeM);
  void SetBlockSize(uint8_t blockWidth, uint8_t blockHeight);
  void SetMaxCropFrame(bool on) { maxCropFrame_ = on; }
  CropEvents ClearCrop();

  // Mouse events in control pixels.
  CropEvents MouseDown(Point screen);
  CropEvents MouseMove(Point screen, bool leftButton);
  CropEvents MouseUp(Point screen);

  // Shift+arrows and Ctrl+Shift+arrows: dx, dy are -1, 0 or 1 blocks. The
  // frame stays inside the picture and keeps its ratio or fixed size.
  CropEvents Nudge(CropNudge kind, int dx, int dy);

  // "WxH+X+Y" of the frame in picture pixels.
  std::string CropGeometry() const;

  // State.
  uint8_t BlockWidth() const { return blockWidth_; }
  uint8_t BlockHeight() const { return blockHeight_; }
  unsigned RatioMode() const { return ratioMode_; }
  int RatioWidth() const { return ratioWidth_; }
  int RatioHeight() const { return ratioHeight_; }
  const Rect& Crop() const { return crop_; }
  Point Anchor() const { return anchor_; }
  Point DragOrigin() const { return dragOrigin_; }
  unsigned DragKind() const { return dragKind_; }
  bool MaxCropFrame() const { return maxCropFrame_; }
  int CropStyle() const { return cropStyle_; }

  // Results for the widget.
  CropCursor Cursor() const { return cursor_; }
  // The label text (Windows-1250 bytes), empty without a frame.
  const std::string& CropLabel() const { return cropLabel_; }
  bool CropActionEnabled() const { return cropActionEnabled_; }
  // Contours to fill with translucent black under the even-odd rule.
  const std::vector<Contour>& Outline() const { return outline_; }
  // The frame in control pixels, for the one-pixel white outline (empty: none).
  Rect FrameOnScreen() const;
  // The whole picture in control pixels.
  Rect Placed() const;

 private:
  static int SnapDown(int value, int step);
  Point Snap(Point p) const;
  Point PicturePoint(Point screen) const;
  bool HasPicture() const { return view_.pictureWidth > 0 && view_.pictureHeight > 0 && view_.scale > 0.0; }

  void HitTest(Point p);
  void NewFrame(Point c);
  Point RatioCorner(Point c) const;
  void DragEdge(Point p);
  void DragEdgeFree(Point p, Rect& next) const;
  void DragEdgeRatio(Point p, Rect& next) const;
  void MoveFrame(Point p);
  void ResizeBy(int dx, int dy);
  void PlaceFixedFrame();
  void SetCrop(const Rect& next);
  void RebuildOutline();
  void UpdateCropLabel();
  void DoClearCrop();
  CropEvents TakeEvents();

  CropView view_;
  uint8_t blockWidth_ = 16;
  uint8_t blockHeight_ = 16;
  unsigned ratioMode_ = kRatioFree;
  int ratioWidth_ = 1;
  int ratioHeight_ = 1;
  Rect crop_;
  Point anchor_;
  Point dragOrigin_;
  unsigned dragKind_ = kDragNewFrame;
  bool maxCropFrame_ = false;
  int cropStyle_ = 0;

  CropCursor cursor_ = CropCursor::Cross;
  std::string cropLabel_;
  bool cropActionEnabled_ = false;
  std::vector<Contour> outline_;
  CropEvents events_;
};

}  // namespace pixaldo
