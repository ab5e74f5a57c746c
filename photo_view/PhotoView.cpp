#include "photo_view/PhotoView.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "platform/FileError.h"
#include "platform/FileSystem.h"

namespace pixaldo {
namespace {

// The picture turned: each row of the result walks the source along a
// straight line, one step per pixel.
RgbImage TurnImage(RgbImage image, Orientation turn) {
  if (turn == Orientation::Upright || image.Empty()) return image;
  RgbImage turned;
  turned.width = SwapsSides(turn) ? image.height : image.width;
  turned.height = SwapsSides(turn) ? image.width : image.height;
  turned.pixels.resize(turned.Stride() * size_t(turned.height));
  const Orientation back = Inverse(turn);
  for (int y = 0; y < turned.height; ++y) {
    const TurnPoint first = TurnPixel(back, {0, y}, turned.width, turned.height);
    const TurnPoint second = turned.width > 1 ? TurnPixel(back, {1, y}, turned.width, turned.height) : first;
    const std::ptrdiff_t step = std::ptrdiff_t(second.y - first.y) * std::ptrdiff_t(image.Stride()) +
                                std::ptrdiff_t(second.x - first.x) * 3;
    const uint8_t* from = image.Row(first.y) + size_t(first.x) * 3;
    uint8_t* to = turned.Row(y);
    for (int x = 0; x < turned.width; ++x, to += 3, from += step) std::copy(from, from + 3, to);
  }
  return turned;
}

}  // namespace

void PhotoView::Forget() {
  fileName_.clear();
  bytes_.clear();
  pictureSize_ = {};
  storedSize_ = {};
  orientation_ = Orientation::Upright;
  source_ = {};
  decodedDenominator_ = 0;
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

void PhotoView::LoadPicture(const std::filesystem::path& fileName, int panelWidth, int panelHeight) {
  Forget();
  if (fileName.empty()) return;
  try {
    bytes_ = ReadWholeFile(fileName);
    storedSize_ = decoder_.ReadSize(bytes_, fileName);
    fileName_ = fileName;
    TakeOrientation(ReadOrientation(bytes_));
    const FitResult largest =
        FitGeometry::FitToParent(panelWidth, panelHeight, pictureSize_.width, pictureSize_.height, false);
    EnsureDecoded(largest.width, largest.height);
  } catch (...) {
    Forget();
    throw;
  }
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
      DecodedPicture decoded = decoder_.Decode(bytes_, minWidth, minHeight, fileName_, observer);
      source_ = TurnImage(std::move(decoded.image), turn);
      decodedDenominator_ = decoded.scaleDenominator;
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
  source_ = TurnImage(std::move(decoded.image), turn);
  decodedDenominator_ = decoded.scaleDenominator;
}

// A new decode of an upright picture is resampled band by band beside the
// decoder, as its rows are written; otherwise the pixels at hand are.
RgbImage PhotoView::ShowPixels(int width, int height) {
  const StretchFilter filter = StretchFilterFromIndex(stretchFilterIndex_);
  if (ShownTurn() != Orientation::Upright || !DecodeNeeded(width, height)) {
    EnsureDecoded(width, height);
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
    const int width = int(std::lround(fit_.width * devicePixelRatio_));
    const int height = int(std::lround(fit_.height * devicePixelRatio_));
    display_ = ShowPixels(width, height);
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
