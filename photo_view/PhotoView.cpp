#include "photo_view/PhotoView.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "colour/ColourEngine.h"
#include "platform/FileError.h"
#include "platform/FileSystem.h"

namespace pixaldo {

void PhotoView::Forget() {
  fileName_.clear();
  bytes_.clear();
  pictureSize_ = {};
  storedSize_ = {};
  orientation_ = Orientation::Upright;
  source_ = {};
  decodedDenominator_ = 0;
  colour_ = {};
  quick_ = false;
  justTurned_ = false;
  prepared_ = {};
  region_ = {};
  regionRect_ = {};
  regionDenominator_ = 0;
}

void PhotoView::LoadPicture(const std::filesystem::path& fileName) {
  Forget();
  if (fileName.empty()) return;
  storedSize_ = decoder_.ReadSize(fileName);
  fileName_ = fileName;
  TakeOrientation(ReadFileOrientation(fileName));
}

void PhotoView::TakeOrientation(Orientation stored) {
  orientation_ = stored;
  const bool swap = SwapsSides(ShownTurn());
  pictureSize_ = swap ? JpegSize{storedSize_.height, storedSize_.width} : storedSize_;
}

void PhotoView::SetBlockSize(uint8_t blockWidth, uint8_t blockHeight) {
  blockWidth_ = blockWidth;
  blockHeight_ = blockHeight;
  if (SwapsSides(ShownTurn()))
    crop_.SetBlockSize(blockHeight, blockWidth);
  else
    crop_.SetBlockSize(blockWidth, blockHeight);
}

void PhotoView::LoadPicture(const std::filesystem::path& fileName, int panelWidth, int panelHeight,
                            uint64_t quickAbovePixels) {
  Forget();
  if (fileName.empty()) return;
  Adopt(PreparePicture(fileName, panelWidth, panelHeight, decoder_, autoOrient_, quickAbovePixels));
}

void PhotoView::Adopt(PreparedPicture picture) {
  Forget();
  fileName_ = std::move(picture.fileName);
  bytes_ = std::move(picture.bytes);
  storedSize_ = picture.storedSize;
  orientation_ = picture.orientation;
  pictureSize_ = picture.size;
  source_ = std::move(picture.decoded.image);
  decodedDenominator_ = picture.decoded.scaleDenominator;
  colour_ = std::move(picture.decoded.colour);
  quick_ = picture.quick;
  if (!picture.display.Empty()) {
    prepared_.display = std::move(picture.display);
    prepared_.fit = picture.fit;
    prepared_.filterIndex = picture.filterIndex;
    prepared_.devicePixelRatio = picture.devicePixelRatio;
  }
}

std::optional<PreparedPicture> PhotoView::TurnAhead(Orientation shown) const {
  if (!HasPicture() || decodedDenominator_ == 0) return std::nullopt;
  PreparedPicture picture;
  picture.fileName = fileName_;
  picture.shownTurn = shown;
  picture.size = pictureSize_;
  picture.decoded.image = source_;
  picture.decoded.scaleDenominator = decodedDenominator_;
  picture.decoded.colour = colour_;
  return picture;
}

bool PhotoView::Turn(Orientation shown, std::string newBytes, PreparedPicture* ahead) {
  if (!HasPicture() || bytes_.empty() || decodedDenominator_ == 0) return false;
  JpegSize now;
  Orientation stored = Orientation::Upright;
  try {
    now = decoder_.ReadSize(newBytes, fileName_);
    stored = ReadOrientation(newBytes);
  } catch (const std::exception&) {
    return false;
  }
  // What jpegtran did to the stored pixels: the old turn to the picture
  // shown, the command, and the new file's turn undone.
  const Orientation shownNow = autoOrient_ ? stored : Orientation::Upright;
  const Orientation applied = Compose(Compose(ShownTurn(), shown), Inverse(shownNow));
  if (!TurnIsExact(storedSize_, applied)) return false;
  const JpegSize turned = TurnedSize(storedSize_, applied);
  if (now.width != turned.width || now.height != turned.height || now.blockWidth != turned.blockWidth ||
      now.blockHeight != turned.blockHeight)
    return false;
  const bool madeAhead = ahead && ahead->shownTurn == shown && ahead->decoded.scaleDenominator == decodedDenominator_ &&
                         ahead->decoded.image.width == (SwapsSides(shown) ? source_.height : source_.width);
  if (madeAhead) {
    source_ = std::move(ahead->decoded.image);
  } else {
    source_ = Turned(std::move(source_), shown);
  }
  bytes_ = std::move(newBytes);
  region_ = {};
  regionDenominator_ = 0;
  storedSize_ = now;
  TakeOrientation(stored);
  prepared_ = {};
  if (madeAhead && !ahead->display.Empty()) {
    prepared_.display = std::move(ahead->display);
    prepared_.fit = ahead->fit;
    prepared_.filterIndex = ahead->filterIndex;
    prepared_.devicePixelRatio = ahead->devicePixelRatio;
  }
  justTurned_ = true;
  return true;
}

std::string PhotoView::DimensionText() const {
  if (!HasPicture()) return {};
  return std::to_string(storedSize_.width) + "\xD7" + std::to_string(storedSize_.height);
}

std::string PhotoView::ZoomText() const {
  return HasPicture() ? FitGeometry::ZoomText(viewport_.Zoom()) : std::string();
}

bool PhotoView::DecodeNeeded(int shownWidth, int shownHeight) const {
  const bool swap = SwapsSides(ShownTurn());
  const int wanted = JpegDecoder::ChooseScaleDenominator(storedSize_, swap ? shownHeight : shownWidth,
                                                         swap ? shownWidth : shownHeight);
  return decodedDenominator_ == 0 || decodedDenominator_ > wanted;
}

// Decodes again, at a larger DCT scale, only when the pixels at hand are
// fewer than the display needs.
void PhotoView::EnsureDecoded(int shownWidth, int shownHeight, DecodeObserver* observer) {
  if (!DecodeNeeded(shownWidth, shownHeight)) return;
  const Orientation turn = ShownTurn();
  const int minWidth = SwapsSides(turn) ? shownHeight : shownWidth;
  const int minHeight = SwapsSides(turn) ? shownWidth : shownHeight;
  if (!bytes_.empty()) {
    // The bytes at hand decoded once already; only memory can fail now, and
    // then the smaller picture is stretched instead.
    try {
      DecodedPicture decoded = DecodeShown(decoder_, bytes_, turn, shownWidth, shownHeight, fileName_);
      source_ = std::move(decoded.image);
      decodedDenominator_ = decoded.scaleDenominator;
      colour_ = std::move(decoded.colour);
    } catch (const std::exception&) {
      if (decodedDenominator_ == 0) throw;
    }
    return;
  }
  source_ = {};  // free the smaller copy before decoding the larger one
  decodedDenominator_ = 0;
  // Straight from the file, without holding its bytes: less memory, and the
  // decoder reads in small pieces.
  DecodedPicture decoded = decoder_.Decode(fileName_, minWidth, minHeight, observer);
  if (decoded.fullSize.width != storedSize_.width || decoded.fullSize.height != storedSize_.height)
    throw FileError(fileName_, "the picture changed since it was loaded");
  source_ = Turned(std::move(decoded.image), turn);
  decodedDenominator_ = decoded.scaleDenominator;
  colour_ = std::move(decoded.colour);
}

void PhotoView::SetColour(const ColourTarget& target) {
  if (target == decoder_.Colour()) return;
  decoder_.SetColour(target);
  prepared_ = {};
  if (decodedDenominator_ == 0) return;
  // Pixels of another target: the decoder gives them with the colour source
  // of the picture, and CMYK with its profile as the new screen wants it.
  source_ = {};
  decodedDenominator_ = 0;
  quick_ = false;
}

// A new decode of an upright picture from its file is resampled band by
// band beside the decoder, as its rows are written; otherwise the pixels at
// hand are.
RgbImage PhotoView::ShowPixels(int width, int height) {
  const StretchFilter filter = StretchFilterFromIndex(stretchFilterIndex_);
  if (quick_ || !bytes_.empty() || ShownTurn() != Orientation::Upright || !DecodeNeeded(width, height)) {
    if (!quick_) EnsureDecoded(width, height);
    return Resampler::Resample(source_, width, height, filter);
  }
  BandedResample resample(width, height, filter);
  EnsureDecoded(width, height, &resample);
  return resample.Finish(source_);
}

CropEvents PhotoView::FitAndShow(int parentWidth, int parentHeight, FitChoice choice, bool cropAllowed) {
  enabled_ = false;
  viewport_.SetPanel(parentWidth, parentHeight, devicePixelRatio_);
  viewport_.SetPicture(HasPicture() ? pictureSize_.width : 0, HasPicture() ? pictureSize_.height : 0);
  viewport_.Fit(choice);
  if (HasPicture()) {
    Render();
    enabled_ = cropAllowed;
  } else {
    fit_ = {};
    control_ = {};
    crop_.SetView({});
  }
  return crop_.ClearCrop();
}

void PhotoView::Render() {
  const Rect picture = viewport_.PictureRect();
  control_ = viewport_.VisibleRect();
  fit_ = {picture.left, picture.top, picture.Width(), picture.Height(), viewport_.Scale()};
  const int width = DevicePixels(control_.Width(), devicePixelRatio_);
  const int height = DevicePixels(control_.Height(), devicePixelRatio_);
  // The one place the display bitmap is made: whatever is to be done to
  // the pixels shown (after resampling) follows here.
  if (control_ == picture) {
    display_ = WholePicture(width, height);
  } else {
    display_ = VisiblePart(width, height);
    ConvertToScreen(display_.pixels.data(), display_.pixels.size() / 3, colour_);
  }
  SetBlockSize(blockWidth_, blockHeight_);
  const Rect placed{picture.left - control_.left, picture.top - control_.top, picture.right - control_.left,
                    picture.bottom - control_.top};
  crop_.SetView({control_.Width(), control_.Height(), fit_.scale, pictureSize_.width, pictureSize_.height, placed});
}

RgbImage PhotoView::WholePicture(int width, int height) {
  // A picture just turned that now needs more pixels is shown stretched
  // at once and refined later, as a quick first look is.
  if (justTurned_ && DecodeNeeded(width, height)) quick_ = true;
  justTurned_ = false;
  const bool madeAhead = !prepared_.display.Empty() && prepared_.fit.width == fit_.width &&
                         prepared_.fit.height == fit_.height && prepared_.filterIndex == stretchFilterIndex_ &&
                         prepared_.devicePixelRatio == devicePixelRatio_;
  RgbImage display;
  if (madeAhead) {
    if (!quick_) EnsureDecoded(width, height);
    display = std::move(prepared_.display);
  } else {
    display = ShowPixels(width, height);  // a display made ahead is converted already
    ConvertToScreen(display.pixels.data(), display.pixels.size() / 3, colour_);
  }
  prepared_ = {};
  return display;
}

RgbImage PhotoView::VisiblePart(int width, int height) {
  if (width <= 0 || height <= 0) return {};  // a panel with no room decodes nothing
  prepared_ = {};
  justTurned_ = false;
  quick_ = false;  // a closer look wants the real pixels now
  const Viewport::Region seen = viewport_.VisiblePicture();
  // Decoded pixels enough for the whole picture at this zoom.
  const double zoom = std::min(viewport_.Zoom(), 1.0);
  const int wantedWidth = std::max(1, int(std::ceil(pictureSize_.width * zoom - 1e-9)));
  const int wantedHeight = std::max(1, int(std::ceil(pictureSize_.height * zoom - 1e-9)));
  const bool swap = SwapsSides(ShownTurn());
  const int denominator = JpegDecoder::ChooseScaleDenominator(storedSize_, swap ? wantedHeight : wantedWidth,
                                                              swap ? wantedWidth : wantedHeight);
  const uint64_t decodedBytes = uint64_t((storedSize_.width + denominator - 1) / denominator) *
                                uint64_t((storedSize_.height + denominator - 1) / denominator) * 3;
  const StretchFilter filter = StretchFilterFromIndex(stretchFilterIndex_);
  if (decodedBytes > memoryBudget_ && decodedDenominator_ > denominator)
    return DecodedPart(seen, denominator, width, height);
  EnsureDecoded(wantedWidth, wantedHeight);
  const double fx = double(source_.width) / pictureSize_.width;
  const double fy = double(source_.height) / pictureSize_.height;
  return Resampler::ResampleRegion(source_, seen.left * fx, seen.top * fy, seen.right * fx, seen.bottom * fy, width,
                                   height, filter);
}

RgbImage PhotoView::DecodedPart(const Viewport::Region& seen, int denominator, int width, int height) {
  const Orientation turn = ShownTurn();
  const JpegSize scaled{(storedSize_.width + denominator - 1) / denominator,
                        (storedSize_.height + denominator - 1) / denominator};
  const JpegSize shown = TurnedSize(scaled, turn);
  const double fx = double(shown.width) / pictureSize_.width;
  const double fy = double(shown.height) / pictureSize_.height;
  const Rect needed{std::max(0, int(std::floor(seen.left * fx))), std::max(0, int(std::floor(seen.top * fy))),
                    std::min(shown.width, int(std::ceil(seen.right * fx))),
                    std::min(shown.height, int(std::ceil(seen.bottom * fy)))};
  const Rect& have = regionRect_;
  const bool inside = regionDenominator_ == denominator && needed.left >= have.left && needed.top >= have.top &&
                      needed.right <= have.right && needed.bottom <= have.bottom;
  if (!inside) {
    region_ = {};  // freed before the next part is decoded
    if (bytes_.empty()) bytes_ = ReadWholeFile(fileName_);
    // A margin of the part's own size around it, so that panning is
    // drawn from it for a while; no margin when that is over the budget.
    Rect part{needed.left - needed.Width(), needed.top - needed.Height(), needed.right + needed.Width(),
              needed.bottom + needed.Height()};
    part = {std::max(part.left, 0), std::max(part.top, 0), std::min(part.right, shown.width),
            std::min(part.bottom, shown.height)};
    if (uint64_t(part.Width()) * uint64_t(part.Height()) * 3 > memoryBudget_) part = needed;
    const Rect stored = TurnedRect(part, shown.width, shown.height, Inverse(turn));
    DecodedPicture decoded =
        decoder_.DecodeRegion(bytes_, denominator, stored.left, stored.top, stored.right, stored.bottom, fileName_);
    region_ = Turned(std::move(decoded.image), turn);
    regionRect_ = part;
    regionDenominator_ = denominator;
  }
  return Resampler::ResampleRegion(region_, seen.left * fx - have.left, seen.top * fy - have.top,
                                   seen.right * fx - have.left, seen.bottom * fy - have.top, width, height,
                                   StretchFilterFromIndex(stretchFilterIndex_));
}

bool PhotoView::ZoomTo(double zoom, PointF at) {
  if (!HasPicture() || viewport_.Zoom() <= 0) return false;
  const Rect before = viewport_.PictureRect();
  const double was = viewport_.Zoom();
  viewport_.ZoomTo(zoom, at);
  if (viewport_.Zoom() == was && viewport_.PictureRect() == before) return false;
  Render();
  return true;
}

bool PhotoView::FitView() {
  if (!HasPicture() || viewport_.Fitted()) return false;
  viewport_.Fit(viewport_.Choice());
  Render();
  return true;
}

bool PhotoView::PanBy(int dx, int dy) {
  if (!HasPicture() || !viewport_.PanBy(dx, dy)) return false;
  Render();
  return true;
}

bool PhotoView::Relayout(int parentWidth, int parentHeight) {
  if (!HasPicture()) return false;
  viewport_.Relayout(parentWidth, parentHeight, devicePixelRatio_);
  Render();
  return true;
}

namespace {

constexpr unsigned kOutlineAlpha = 96;

void Darken(uint8_t* pixel) {
  for (int c = 0; c < 3; ++c) pixel[c] = static_cast<uint8_t>((pixel[c] * (255u - kOutlineAlpha) + 127) / 255);
}

void Whiten(RgbImage& image, int x, int y) {
  if (x < 0 || y < 0 || x >= image.width || y >= image.height) return;
  uint8_t* pixel = image.Row(y) + static_cast<size_t>(x) * 3;
  pixel[0] = pixel[1] = pixel[2] = 255;
}

}  // namespace

RgbImage PhotoView::ComposeVisible() const {
  RgbImage visible = display_;
  if (crop_.Outline().empty()) return visible;
  // The outline's two contours are the frame and the whole picture, so the
  // even-odd fill covers exactly the picture outside the frame.
  const Rect frame = crop_.FrameOnScreen();
  const bool hasFrame = !crop_.Crop().Empty();
  for (int y = 0; y < visible.height; ++y) {
    uint8_t* row = visible.Row(y);
    for (int x = 0; x < visible.width; ++x)
      if (!hasFrame || !frame.Contains({x, y})) Darken(row + static_cast<size_t>(x) * 3);
  }
  if (!hasFrame) return visible;
  for (int x = frame.left; x < frame.right; ++x) Whiten(visible, x, frame.top), Whiten(visible, x, frame.bottom - 1);
  for (int y = frame.top; y < frame.bottom; ++y) Whiten(visible, frame.left, y), Whiten(visible, frame.right - 1, y);
  return visible;
}

}  // namespace pixaldo
