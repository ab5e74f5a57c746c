#include "photo_view/ZoomGeometry.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace pixaldo {

FitMode NextFitMode(FitMode mode) { return FitModeFromIndex((static_cast<int>(mode) + 1) % kFitModeCount); }

FitMode FitModeFromIndex(int index) {
  return index >= 0 && index < kFitModeCount ? static_cast<FitMode>(index) : FitMode::Square;
}

namespace {

// The whole picture as large as it fits the available area (the panel less
// two pixels on every side), centred as the other fits are.
FitResult FitToWindow(int panelWidth, int panelHeight, int pictureWidth, int pictureHeight, bool enlarge) {
  FitResult fit;
  const int64_t available[2] = {int64_t(panelWidth) - 4, int64_t(panelHeight) - 4};
  if (pictureWidth <= 0 || pictureHeight <= 0 || available[0] <= 0 || available[1] <= 0) return fit;
  const int64_t w = pictureWidth, h = pictureHeight;
  int64_t width = w, height = h;
  if (enlarge || w > available[0] || h > available[1]) {
    if (w * available[1] >= h * available[0]) {
      width = available[0];
      height = std::max<int64_t>(1, h * width / w);
    } else {
      height = available[1];
      width = std::max<int64_t>(1, w * height / h);
    }
  }
  fit.width = int(width);
  fit.height = int(height);
  fit.left = int((available[0] - width) / 2 + 2);
  fit.top = int((available[1] - height) / 2 + 2);
  fit.scale = double(height) / double(h);
  return fit;
}

}  // namespace

FitResult FitInPanel(int panelWidth, int panelHeight, int pictureWidth, int pictureHeight, FitChoice choice) {
  if (choice.mode == FitMode::Window)
    return FitToWindow(panelWidth, panelHeight, pictureWidth, pictureHeight, choice.enlargeSmall);
  return FitGeometry::FitToParent(panelWidth, panelHeight, pictureWidth, pictureHeight,
                                  choice.mode == FitMode::Square);
}

double ZoomSteps::Clamp(double zoom) {
  if (!std::isfinite(zoom)) return 1;
  return std::clamp(zoom, kMinimum, kMaximum);
}

// Steps are 2^(k/2); a zoom within a hair of a step counts as that step.
double ZoomSteps::In(double zoom) {
  const double k = std::floor(2 * std::log2(Clamp(zoom)) + 1e-6) + 1;
  return Clamp(std::exp2(k / 2));
}

double ZoomSteps::Out(double zoom) {
  const double k = std::ceil(2 * std::log2(Clamp(zoom)) - 1e-6) - 1;
  return Clamp(std::exp2(k / 2));
}

void Viewport::SetPanel(int width, int height, double devicePixelRatio) {
  panelWidth_ = std::max(width, 0);
  panelHeight_ = std::max(height, 0);
  ratio_ = devicePixelRatio > 0 ? devicePixelRatio : 1;
}

void Viewport::SetPicture(int width, int height) {
  pictureWidth_ = std::max(width, 0);
  pictureHeight_ = std::max(height, 0);
  Fit(choice_);
}

void Viewport::Fit(FitChoice choice) {
  choice_ = choice;
  fit_ = FitInPanel(panelWidth_, panelHeight_, pictureWidth_, pictureHeight_, choice);
  left_ = fit_.left;
  top_ = fit_.top;
  width_ = fit_.width;
  height_ = fit_.height;
  zoom_ = fit_.scale * ratio_;
  fitted_ = true;
}

int Viewport::Limit(double position, int extent, int panelExtent) {
  if (extent <= panelExtent) return (panelExtent - extent) / 2;
  return std::clamp(FitGeometry::RoundHalfEven(position), panelExtent - extent, 0);
}

void Viewport::Place(double left, double top) {
  left_ = Limit(left, width_, panelWidth_);
  top_ = Limit(top, height_, panelHeight_);
}

void Viewport::ZoomTo(double zoom, PointF at) {
  if (zoom_ <= 0 || pictureWidth_ <= 0 || pictureHeight_ <= 0) return;
  // The picture point under `at`, by the extent actually shown.
  const double pictureX = (at.x - left_) * pictureWidth_ / width_;
  const double pictureY = (at.y - top_) * pictureHeight_ / height_;
  zoom_ = ZoomSteps::Clamp(zoom);
  const double scale = Scale();
  width_ = std::max(1, FitGeometry::RoundHalfEven(pictureWidth_ * scale));
  height_ = std::max(1, FitGeometry::RoundHalfEven(pictureHeight_ * scale));
  Place(at.x - pictureX * scale, at.y - pictureY * scale);
  fitted_ = false;
}

void Viewport::ZoomTo(double zoom) { ZoomTo(zoom, {panelWidth_ / 2.0, panelHeight_ / 2.0}); }

bool Viewport::PanBy(int dx, int dy) {
  const int left = left_, top = top_;
  Place(double(left_) + dx, double(top_) + dy);
  if (left == left_ && top == top_) return false;
  fitted_ = false;
  return true;
}

void Viewport::Relayout(int width, int height, double devicePixelRatio) {
  if (fitted_ || zoom_ <= 0) {
    SetPanel(width, height, devicePixelRatio);
    Fit(choice_);
    return;
  }
  const PointF middle{panelWidth_ / 2.0, panelHeight_ / 2.0};
  const double pictureX = (middle.x - left_) * pictureWidth_ / width_;
  const double pictureY = (middle.y - top_) * pictureHeight_ / height_;
  SetPanel(width, height, devicePixelRatio);
  // The fit of the new panel is where Ctrl+0 goes.
  fit_ = FitInPanel(panelWidth_, panelHeight_, pictureWidth_, pictureHeight_, choice_);
  const double scale = Scale();
  width_ = std::max(1, FitGeometry::RoundHalfEven(pictureWidth_ * scale));
  height_ = std::max(1, FitGeometry::RoundHalfEven(pictureHeight_ * scale));
  Place(panelWidth_ / 2.0 - pictureX * scale, panelHeight_ / 2.0 - pictureY * scale);
}

Rect Viewport::VisibleRect() const {
  const Rect picture = PictureRect();
  const Rect visible{std::max(picture.left, 0), std::max(picture.top, 0), std::min(picture.right, panelWidth_),
                     std::min(picture.bottom, panelHeight_)};
  return visible.Empty() ? Rect{} : visible;
}

Viewport::Region Viewport::VisiblePicture() const {
  const Rect visible = VisibleRect();
  if (visible.Empty() || width_ <= 0 || height_ <= 0) return {};
  const double fx = double(pictureWidth_) / width_;
  const double fy = double(pictureHeight_) / height_;
  return {(visible.left - left_) * fx, (visible.top - top_) * fy, (visible.right - left_) * fx,
          (visible.bottom - top_) * fy};
}

}  // namespace pixaldo
