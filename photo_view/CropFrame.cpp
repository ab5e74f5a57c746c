#include "photo_view/CropFrame.h"

#include <algorithm>
#include <cstdlib>

namespace pixaldo {

namespace {

// The five crop proportions: mode and parts; 0 parts come from the settings.
struct CropModeEntry {
  unsigned ratioMode;
  int n;
  int m;
  bool fromRatioSettings;
  bool fromSizeSettings;
};
constexpr std::array<CropModeEntry, 5> kCropModes = {{
    {kRatioFree, 1, 1, false, false},      // no restriction
    {kRatioAspect, 2, 3, false, false},    // classic photo
    {kRatioAspect, 3, 4, false, false},    // digital photo
    {kRatioAspect, 0, 0, true, false},     // chosen ratio n:m
    {kRatioFixedSize, 0, 0, false, true},  // fixed size n×m
}};

Contour RectContour(const Rect& r) {
  return {Point{r.left, r.top}, Point{r.right, r.top}, Point{r.right, r.bottom}, Point{r.left, r.bottom}};
}

}  // namespace

CropEvents CropFrame::TakeEvents() {
  CropEvents events = events_;
  events_ = {};
  return events;
}

int CropFrame::SnapDown(int value, int step) { return value - value % step; }  // % keeps the sign of value

Point CropFrame::Snap(Point p) const { return {SnapDown(p.x, blockWidth_), SnapDown(p.y, blockHeight_)}; }

Rect CropFrame::Placed() const {
  return view_.placed.Empty() ? Rect{0, 0, view_.controlWidth, view_.controlHeight} : view_.placed;
}

// The mouse position in picture pixels. A pointer on the picture's far edge
// can convert to a little past the picture's far edge; it counts as the edge.
Point CropFrame::PicturePoint(Point screen) const {
  const Rect placed = Placed();
  Point p = FitGeometry::ScreenToImage({screen.x - placed.left, screen.y - placed.top}, placed.Width(),
                                       placed.Height(), view_.scale);
  return {std::clamp(p.x, 0, view_.pictureWidth), std::clamp(p.y, 0, view_.pictureHeight)};
}

Rect CropFrame::FrameOnScreen() const {
  const Rect frame = FitGeometry::ImageToScreen(crop_, view_.scale);
  if (frame.Empty()) return frame;
  const Rect placed = Placed();
  return {frame.left + placed.left, frame.top + placed.top, frame.right + placed.left, frame.bottom + placed.top};
}

CropEvents CropFrame::SetCropMode(int modeIndex, int cropStyle, int ratioN, int ratioM, int sizeN, int sizeM) {
  DoClearCrop();
  cropStyle_ = cropStyle;
  const CropModeEntry& entry = kCropModes[static_cast<size_t>(std::clamp(modeIndex, 0, 4))];
  int n = entry.n;
  int m = entry.m;
  if (entry.fromRatioSettings) n = ratioN, m = ratioM;
  if (entry.fromSizeSettings) n = sizeN, m = sizeM;
  // Parts below 1 would divide by zero in the ratio rules.
  n = std::max(n, 1);
  m = std::max(m, 1);
  ratioMode_ = entry.ratioMode;
  ratioWidth_ = cropStyle_ == 1 ? std::min(n, m) : std::max(n, m);
  ratioHeight_ = cropStyle_ == 1 ? std::max(n, m) : std::min(n, m);
  return TakeEvents();
}

void CropFrame::SetBlockSize(uint8_t blockWidth, uint8_t blockHeight) {
  // An unknown block size (0) is taken as the common 16 pixels.
  blockWidth_ = blockWidth ? blockWidth : 16;
  blockHeight_ = blockHeight ? blockHeight : 16;
}

CropEvents CropFrame::ClearCrop() {
  DoClearCrop();
  return TakeEvents();
}

void CropFrame::DoClearCrop() {
  crop_ = {};
  anchor_ = {};
  dragOrigin_ = {};
  outline_.clear();
  // Without a frame there is nothing to move or resize: the pointer's last
  // hit test is void.
  cursor_ = CropCursor::Cross;
  dragKind_ = kDragNewFrame;
  events_.redraw = true;
  UpdateCropLabel();
}

std::string CropFrame::CropGeometry() const {
  return std::to_string(crop_.Width()) + "x" + std::to_string(crop_.Height()) + "+" + std::to_string(crop_.left) +
         "+" + std::to_string(crop_.top);
}

void CropFrame::HitTest(Point p) {
  cursor_ = CropCursor::Cross;
  dragKind_ = kDragNewFrame;
  if (crop_.Empty()) return;
  const int t = kTolerance;
  const Rect& c = crop_;
  if (Rect{c.left + t, c.top + t, c.right - t, c.bottom - t}.Contains(p)) {
    cursor_ = CropCursor::Move;
    dragKind_ = kDragMove;
    return;
  }
  if (ratioMode_ == kRatioFixedSize) return;
  struct Band {
    Rect area;
    unsigned kind;
    CropCursor cursor;
  };
  const Band bands[] = {
      {{c.right - t, c.top, c.right + t, c.bottom}, kDragRightEdge, CropCursor::ResizeHorizontal},
      {{c.left, c.bottom - t, c.right, c.bottom + t}, kDragBottomEdge, CropCursor::ResizeVertical},
      {{c.left - t, c.top, c.left + t, c.bottom}, kDragLeftEdge, CropCursor::ResizeHorizontal},
      {{c.left, c.top - t, c.right, c.top + t}, kDragTopEdge, CropCursor::ResizeVertical},
  };
  for (const Band& band : bands) {  // a later hit overrides an earlier one
    if (!band.area.Contains(p)) continue;
    dragKind_ = band.kind;
    cursor_ = band.cursor;
  }
}

CropEvents CropFrame::MouseDown(Point screen) {
  if (!HasPicture()) return TakeEvents();
  const Point p = PicturePoint(screen);
  if (cursor_ == CropCursor::Cross) DoClearCrop();
  anchor_ = dragOrigin_ = Snap(p);
  if (ratioMode_ == kRatioFixedSize && dragKind_ != kDragMove) PlaceFixedFrame();
  if (maxCropFrame_ && dragKind_ == kDragNewFrame && ratioMode_ != kRatioFixedSize) {
    anchor_ = {0, 0};
    NewFrame(PicturePoint({Placed().right, Placed().bottom}));
  }
  return TakeEvents();
}

CropEvents CropFrame::MouseMove(Point screen, bool leftButton) {
  if (!HasPicture()) return TakeEvents();
  const Point p = PicturePoint(screen);
  if (!leftButton) {
    HitTest(p);
  } else if (dragKind_ == kDragNewFrame) {
    if (!maxCropFrame_) NewFrame(p);
  } else if (dragKind_ == kDragMove) {
    MoveFrame(p);
  } else {
    DragEdge(p);
  }
  return TakeEvents();
}

CropEvents CropFrame::MouseUp(Point) {
  if (HasPicture() && crop_.Empty()) DoClearCrop();
  return TakeEvents();
}

void CropFrame::SetCrop(const Rect& next) {
  if (next == crop_) return;
  crop_ = next;
  RebuildOutline();
}

void CropFrame::NewFrame(Point c) {
  const Point q = ratioMode_ == kRatioFree ? Snap(c) : RatioCorner(c);
  const Rect next{std::min(anchor_.x, q.x), std::min(anchor_.y, q.y), std::max(anchor_.x, q.x),
                  std::max(anchor_.y, q.y)};
  // The fixed frame placed by the press stays when the drag is too short for
  // a whole step; it would otherwise vanish at the slightest jitter.
  if (ratioMode_ == kRatioFixedSize && next.Empty() && !crop_.Empty()) return;
  SetCrop(next);
}

Point CropFrame::RatioCorner(Point c) const {
  const int dx = std::abs(c.x - anchor_.x);
  const int dy = std::abs(c.y - anchor_.y);
  const int g = std::max(blockWidth_, blockHeight_);
  int width = 0;
  int height = 0;
  if (static_cast<double>(dx) >= static_cast<double>(dy) * ratioWidth_ / ratioHeight_) {
    height = SnapDown(dy, g * ratioHeight_);
    width = height / ratioHeight_ * ratioWidth_;
  } else {
    width = SnapDown(dx, g * ratioWidth_);
    height = width / ratioWidth_ * ratioHeight_;
  }
  const bool right = c.x - anchor_.x >= 0;
  const bool down = c.y - anchor_.y >= 0;
  const int w = view_.pictureWidth;
  const int h = view_.pictureHeight;
  // Without a frame yet, a corner that does not fit falls back to the anchor
  // (an empty frame), not to a stale (0, 0) that would break the ratio.
  const Rect current = crop_.Empty() ? Rect{anchor_.x, anchor_.y, anchor_.x, anchor_.y} : crop_;
  const int x = right ? anchor_.x + width : anchor_.x - width;
  const int y = down ? anchor_.y + height : anchor_.y - height;
  const bool fitsX = right ? x <= w : x >= 0;
  const bool fitsY = down ? y <= h : y >= 0;
  if (fitsX && fitsY) return {x, y};
  return {right ? current.right : current.left, down ? current.bottom : current.top};
}

void CropFrame::DragEdge(Point p) {
  Rect next = crop_;
  if (ratioMode_ == kRatioFree)
    DragEdgeFree(p, next);
  else
    DragEdgeRatio(p, next);
  SetCrop(next);
}

void CropFrame::DragEdgeFree(Point p, Rect& next) const {
  const Rect& c = crop_;
  switch (dragKind_) {
    case kDragTopEdge:
      if (p.y < c.bottom) {
        const int top = c.bottom - SnapDown(c.bottom - p.y, blockHeight_);
        if (top >= 0) next.top = top;
      }
      break;
    case kDragLeftEdge:
      if (p.x < c.right) {
        const int left = c.right - SnapDown(c.right - p.x, blockWidth_);
        if (left >= 0) next.left = left;
      }
      break;
    case kDragRightEdge:
      if (p.x > c.left) {
        const int right = c.left + SnapDown(p.x - c.left, blockWidth_);
        if (right <= view_.pictureWidth) next.right = right;
      }
      break;
    case kDragBottomEdge:
      if (p.y > c.top) {
        const int bottom = c.top + SnapDown(p.y - c.top, blockHeight_);
        if (bottom <= view_.pictureHeight) next.bottom = bottom;
      }
      break;
    default:
      break;
  }
}

// Keeps the ratio by moving a second edge; the opposite corner stays.
void CropFrame::DragEdgeRatio(Point p, Rect& next) const {
  const Rect& c = crop_;
  const int g = std::max(blockWidth_, blockHeight_);
  const int rw = ratioWidth_;
  const int rh = ratioHeight_;
  switch (dragKind_) {
    case kDragTopEdge:
      if (p.y < c.bottom) {
        const int d = SnapDown(c.bottom - p.y, g * rh);
        if (c.bottom - d >= 0 && c.right - d / rh * rw >= 0) next.top = c.bottom - d, next.left = c.right - d / rh * rw;
      }
      break;
    case kDragLeftEdge:
      if (p.x < c.right) {
        const int d = SnapDown(c.right - p.x, g * rw);
        if (c.bottom - d / rw * rh >= 0 && c.right - d >= 0) next.top = c.bottom - d / rw * rh, next.left = c.right - d;
      }
      break;
    case kDragRightEdge:
      if (p.x > c.left) {
        const int e = SnapDown(p.x - c.left, g * rw);
        if (c.top + e / rw * rh <= view_.pictureHeight && c.left + e <= view_.pictureWidth)
          next.bottom = c.top + e / rw * rh, next.right = c.left + e;
      }
      break;
    case kDragBottomEdge:
      if (p.y > c.top) {
        const int e = SnapDown(p.y - c.top, g * rh);
        if (c.top + e <= view_.pictureHeight && c.left + e / rh * rw <= view_.pictureWidth)
          next.bottom = c.top + e, next.right = c.left + e / rh * rw;
      }
      break;
    default:
      break;
  }
}

void CropFrame::MoveFrame(Point p) {
  const Point s = Snap(p);
  auto step = [](int low, int high, int delta, int extent, int block) {
    if (low + delta < 0) return -low;
    if (high + delta > extent) return SnapDown(extent - high, block);
    return delta;
  };
  const int dx = step(crop_.left, crop_.right, s.x - dragOrigin_.x, view_.pictureWidth, blockWidth_);
  const int dy = step(crop_.top, crop_.bottom, s.y - dragOrigin_.y, view_.pictureHeight, blockHeight_);
  if (dx == 0 && dy == 0) return;
  crop_ = {crop_.left + dx, crop_.top + dy, crop_.right + dx, crop_.bottom + dy};
  RebuildOutline();
  dragOrigin_ = s;
}

CropEvents CropFrame::Nudge(CropNudge kind, int dx, int dy) {
  if (!HasPicture() || crop_.Empty()) return TakeEvents();
  if (kind == CropNudge::Resize) {
    ResizeBy(dx, dy);
    return TakeEvents();
  }
  // A move goes as far towards the edge as whole blocks allow.
  dragOrigin_ = {crop_.left, crop_.top};
  MoveFrame({crop_.left + dx * blockWidth_, crop_.top + dy * blockHeight_});
  return TakeEvents();
}

void CropFrame::ResizeBy(int dx, int dy) {
  if (ratioMode_ == kRatioFixedSize || (dx == 0 && dy == 0)) return;
  int width = 0;
  int height = 0;
  if (ratioMode_ == kRatioFree) {
    width = crop_.Width() + dx * blockWidth_;
    height = crop_.Height() + dy * blockHeight_;
  } else {
    // One step of the ratio grid, as dragging an edge takes it; either arrow
    // of a pair grows or shrinks both sides.
    const int g = std::max(blockWidth_, blockHeight_);
    const int step = dx + dy > 0 ? 1 : -1;
    width = crop_.Width() + step * g * ratioWidth_;
    height = crop_.Height() + step * g * ratioHeight_;
  }
  const Rect next{crop_.left, crop_.top, crop_.left + width, crop_.top + height};
  if (next.Empty() || next.right > view_.pictureWidth || next.bottom > view_.pictureHeight) return;
  SetCrop(next);
}

void CropFrame::PlaceFixedFrame() {
  const int frameWidth = ratioWidth_;
  const int frameHeight = ratioHeight_;
  if (view_.pictureWidth < frameWidth || view_.pictureHeight < frameHeight) {
    events_.beep = true;
    return;
  }
  // Centred on the press point and pushed inside the picture.
  auto place = [](int at, int size, int extent) {
    const int start = at - size / 2;
    if (start < 0) return 0;
    if (start + size > extent) return extent - size;
    return start;
  };
  const int x = place(anchor_.x, frameWidth, view_.pictureWidth);
  const int y = place(anchor_.y, frameHeight, view_.pictureHeight);
  anchor_ = {x, y};
  SetCrop({x, y, x + frameWidth, y + frameHeight});
}

void CropFrame::RebuildOutline() {
  outline_.clear();
  outline_.push_back(RectContour(FrameOnScreen()));
  outline_.push_back(RectContour({0, -1, view_.controlWidth, view_.controlHeight + 1}));
  events_.redraw = true;
  UpdateCropLabel();
}

void CropFrame::UpdateCropLabel() {
  cropActionEnabled_ = !crop_.Empty();
  if (crop_.Empty()) {
    cropLabel_.clear();
    return;
  }
  cropLabel_ = "x:" + std::to_string(crop_.left) + "  y:" + std::to_string(crop_.top) + "   " +
               std::to_string(crop_.Width()) + "\xD7" + std::to_string(crop_.Height());
}

}  // namespace pixaldo
