#pragma once
// The picture's place in the picture panel at any zoom: the three fit modes,
// the zoom steps, zooming around a point and the limits of panning. Panel
// and picture places are in logical pixels of the panel; the zoom is in
// device pixels per picture pixel, so that 1 shows every picture pixel on
// one pixel of the screen, also where a logical pixel is several of them.
#include "photo_view/FitGeometry.h"

namespace pixaldo {

// How the fitted view places the picture; stored as "FitMode" 0..2.
enum class FitMode : int {
  Square = 0,  // into the largest square of the panel (a picture keeps its size when turned)
  Window = 1,  // as large as the whole picture fits the panel
  Width = 2,   // a landscape picture takes the panel's width and may overhang
};
inline constexpr int kFitModeCount = 3;

// The fit mode and whether a picture smaller than the panel is enlarged
// to fit it (fit to window only; the other modes never enlarge).
struct FitChoice {
  FitMode mode = FitMode::Square;
  bool enlargeSmall = false;
  friend bool operator==(const FitChoice&, const FitChoice&) = default;
};

// The mode that Ctrl+Enter goes to: square, window, width and round again.
FitMode NextFitMode(FitMode mode);
// A stored index; anything outside 0..2 is the square fit.
FitMode FitModeFromIndex(int index);

// Fits a picture into a panel as the mode says (see FitGeometry::FitToParent
// for the square and width modes).
FitResult FitInPanel(int panelWidth, int panelHeight, int pictureWidth, int pictureHeight, FitChoice choice);

// The zoom steps: powers of √2 from 1/32 to 16.
class ZoomSteps {
 public:
  static constexpr double kMinimum = 1.0 / 32;
  static constexpr double kMaximum = 16;
  static double Clamp(double zoom);
  // The next step above (below) the zoom, which need not be a step itself.
  static double In(double zoom);
  static double Out(double zoom);
};

// A point in logical panel pixels with a fraction (a mouse position).
struct PointF {
  double x = 0;
  double y = 0;
};

class Viewport {
 public:
  // Panel size in logical pixels and the screen's device pixels per logical pixel.
  void SetPanel(int width, int height, double devicePixelRatio);
  // The picture as shown (upright); the view is fitted again.
  void SetPicture(int width, int height);

  // The fitted view of the choice.
  void Fit(FitChoice choice);
  // Whether the view is the fitted one (no zoom or pan since the fit).
  bool Fitted() const { return fitted_; }
  // The zoom, clamped to the steps' range, with the picture point under
  // `at` (panel pixels) kept where it is as far as the pan limits allow.
  void ZoomTo(double zoom, PointF at);
  // The same around the middle of the panel.
  void ZoomTo(double zoom);
  // Moves the picture by dx, dy logical pixels within the pan limits;
  // false when it cannot move.
  bool PanBy(int dx, int dy);
  // Keeps zoom and the picture point in the middle of the panel after the
  // panel or its screen changed; a fitted view is fitted again.
  void Relayout(int width, int height, double devicePixelRatio);

  // Device pixels per picture pixel; logical pixels per picture pixel.
  double Zoom() const { return zoom_; }
  double Scale() const { return zoom_ / ratio_; }
  double DevicePixelRatio() const { return ratio_; }
  // The whole picture in panel pixels (may reach beyond the panel).
  Rect PictureRect() const { return {left_, top_, left_ + width_, top_ + height_}; }
  // The part of the picture inside the panel.
  Rect VisibleRect() const;
  // The part of the picture seen, in picture pixels (fractions kept).
  struct Region {
    double left = 0, top = 0, right = 0, bottom = 0;
  };
  Region VisiblePicture() const;
  // Whether the picture is larger than the panel across or down.
  bool CanPanX() const { return width_ > panelWidth_; }
  bool CanPanY() const { return height_ > panelHeight_; }
  FitChoice Choice() const { return choice_; }
  // The fit of the present choice (for the label and the fitted view).
  const FitResult& FitOfChoice() const { return fit_; }

 private:
  // Places the picture at left, top as far as the pan limits allow: never
  // a gap on a side the picture could fill, centred where it is smaller.
  void Place(double left, double top);
  static int Limit(double position, int extent, int panelExtent);

  int panelWidth_ = 0, panelHeight_ = 0;
  double ratio_ = 1;
  int pictureWidth_ = 0, pictureHeight_ = 0;
  FitChoice choice_;
  FitResult fit_;
  bool fitted_ = true;
  double zoom_ = 0;
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
};

}  // namespace pixaldo
