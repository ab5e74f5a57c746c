#include "photo_view/PhotoView.h"

#include <algorithm>
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

std::string PhotoView::ZoomText() const { return HasPicture() ? FitGeometry::ZoomText(fit_.scale) : std::string(); }

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

CropEvents PhotoView::FitAndShow(int parentWidth, int parentHeight, bool squareBox, bool cropAllowed) {
  enabled_ = false;
  if (HasPicture()) {
    fit_ = FitGeometry::FitToParent(parentWidth, parentHeight, pictureSize_.width, pictureSize_.height, squareBox);
    const int width = DevicePixels(fit_.width, devicePixelRatio_);
    const int height = DevicePixels(fit_.height, devicePixelRatio_);
    // A picture just turned that now needs more pixels is shown stretched
    // at once and refined later, as a quick first look is.
    if (justTurned_ && DecodeNeeded(width, height)) quick_ = true;
    justTurned_ = false;
    const bool madeAhead = !prepared_.display.Empty() && prepared_.fit.width == fit_.width &&
                           prepared_.fit.height == fit_.height && prepared_.filterIndex == stretchFilterIndex_ &&
                           prepared_.devicePixelRatio == devicePixelRatio_;
    if (madeAhead) {
      if (!quick_) EnsureDecoded(width, height);
      display_ = std::move(prepared_.display);
    } else {
      display_ = ShowPixels(width, height);
      ConvertToScreen(display_.pixels.data(), display_.pixels.size() / 3, colour_);
    }
    prepared_ = {};
    enabled_ = cropAllowed;
    SetBlockSize(blockWidth_, blockHeight_);
    crop_.SetView({fit_.width, fit_.height, fit_.scale, pictureSize_.width, pictureSize_.height});
  } else {
    fit_ = {};
    crop_.SetView({});
  }
  return crop_.ClearCrop();
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
