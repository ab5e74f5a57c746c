#pragma once
// The photo view without its widget: the current picture, its fit into the
// picture panel, the resampled display bitmap, the zoom and size texts and
// the crop frame. The Qt widget holds one and forwards its events.
//
// With auto-orientation (the default) the picture is shown upright by its
// EXIF orientation: the fit, the zoom, the crop frame and its block grid are
// those of the upright picture, whose width is the stored height for the
// turns that exchange the sides.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "exif/Orientation.h"
#include "photo_view/CropFrame.h"
#include "photo_view/FitGeometry.h"
#include "photo_view/JpegDecoder.h"
#include "photo_view/PictureTurn.h"
#include "photo_view/PreparedPicture.h"
#include "photo_view/Resampler.h"
#include "photo_view/RgbImage.h"
#include "photo_view/ZoomGeometry.h"

namespace pixaldo {

class PhotoView {
 public:
  // Stores the name and, unless it is empty, reads the picture's size from
  // its headers (pixels are decoded from the file by FitAndShow, no more of
  // them than the fit needs). Throws FileError when the file cannot be read
  // or is no JPEG; the view then shows nothing. Does not fit.
  void LoadPicture(const std::filesystem::path& fileName);
  // For a window: reads the whole file once and keeps its bytes, so that the
  // picture shown never mixes with a file changed on disk later, and decodes
  // at once as many pixels as the largest fit into a panel of panelWidth ×
  // panelHeight needs (a decoding error shows here, not at a later fit).
  // Throws FileError; the view then shows nothing.
  // With quickAbovePixels, a picture of more pixels is decoded at 1/8 only
  // and held as a quick first look (see Quick).
  void LoadPicture(const std::filesystem::path& fileName, int panelWidth, int panelHeight,
                   uint64_t quickAbovePixels = UINT64_MAX);
  // Takes a picture prepared elsewhere as if it had been loaded; its display
  // bitmap serves the next fit when that fit is the one it was made for.
  void Adopt(PreparedPicture picture);
  // Whether the pixels held are a quick first look still to be replaced.
  bool Quick() const { return quick_; }

  // After jpegtran rewrote the file in place so that the picture shown turns
  // by `shown`: turns the pixels held instead of decoding `newBytes` (the
  // rewritten file), which the view keeps from now on with its size and
  // orientation. False, with nothing changed, when the turned pixels would
  // differ from a decode of the new bytes (partial edge blocks, another size,
  // no file bytes held); the caller then loads the file again. Does not fit.
  // When the next fit needs more pixels than the turned ones, it stretches
  // them and marks them Quick, to be replaced as a quick first look is.
  // `ahead`, when given, is TurnAhead's picture for this turn, made while
  // jpegtran ran: its pixels (and display bitmap) are taken as they are.
  bool Turn(Orientation shown, std::string newBytes, PreparedPicture* ahead = nullptr);
  // A copy of the picture held, to be turned by `shown` on another thread
  // (MakeTurned) while jpegtran turns the file, as Turn and the next fit
  // would turn and show it. Nothing when no pixels are held.
  std::optional<PreparedPicture> TurnAhead(Orientation shown) const;

  // Fits the picture into a panel of parentWidth × parentHeight, resamples
  // the display bitmap with the stretch filter and clears the crop frame.
  // Throws FileError when the picture data cannot be decoded. With the bytes
  // held, a larger decode that fails (memory) stretches the pixels at hand.
  CropEvents FitAndShow(int parentWidth, int parentHeight, FitChoice choice, bool cropAllowed);
  CropEvents FitAndShow(int parentWidth, int parentHeight, bool squareBox, bool cropAllowed) {
    return FitAndShow(parentWidth, parentHeight, FitChoice{squareBox ? FitMode::Square : FitMode::Width},
                      cropAllowed);
  }

  // Zoom and pan of the picture shown, in panel pixels; the crop frame
  // stays where it is on the picture. Each gives false when nothing changed
  // (no picture, a zoom at its limit, a pan against the edge). A zoomed
  // picture is drawn from the pixels decoded at the smallest DCT scale that
  // gives enough of them, kept while the zoom changes, and only the part
  // seen is resampled.
  bool ZoomTo(double zoom, PointF at);
  bool ZoomIn(PointF at) { return ZoomTo(ZoomSteps::In(viewport_.Zoom()), at); }
  bool ZoomOut(PointF at) { return ZoomTo(ZoomSteps::Out(viewport_.Zoom()), at); }
  // One picture pixel on one device pixel.
  bool ActualPixels(PointF at) { return ZoomTo(1.0, at); }
  // Back to the fitted view of the fit mode.
  bool FitView();
  bool PanBy(int dx, int dy);
  // The panel was resized: a zoomed view keeps its zoom and middle, a
  // fitted one is fitted again; the crop frame stays.
  bool Relayout(int parentWidth, int parentHeight);
  const Viewport& Placement() const { return viewport_; }
  // The control's place in the panel: the part of the picture inside it.
  Rect Control() const { return control_; }
  // The picture around the zoomed view that pictures larger than this in
  // memory (decoded, at the scale the zoom needs) are not decoded whole:
  // the part seen is decoded with a margin instead, and again when the view
  // leaves it.
  static constexpr uint64_t kDefaultMemoryBudget = 256ull << 20;
  void SetMemoryBudget(uint64_t bytes) { memoryBudget_ = bytes; }

  const std::filesystem::path& FileName() const { return fileName_; }
  bool HasPicture() const { return !fileName_.empty(); }
  // The size of the picture as shown (upright when auto-orienting).
  JpegSize PictureSize() const { return pictureSize_; }
  // The size as stored in the file.
  JpegSize StoredSize() const { return storedSize_; }
  // The file's EXIF orientation, read whether or not the view honours it.
  Orientation PictureOrientation() const { return orientation_; }
  // The turn from the stored pixels to the picture shown.
  Orientation ShownTurn() const { return autoOrient_ ? orientation_ : Orientation::Upright; }
  // Takes effect with the next LoadPicture.
  void SetAutoOrient(bool on) { autoOrient_ = on; }
  bool AutoOrient() const { return autoOrient_; }
  // Width "×" height of the picture as stored (Windows-1250), empty without a picture.
  std::string DimensionText() const;
  // The zoom in device pixels per picture pixel ("100%" at actual pixels
  // on any screen), empty without a picture.
  std::string ZoomText() const;

  // The whole picture's place in the panel and its scale (logical pixels
  // per picture pixel).
  const FitResult& Fit() const { return fit_; }
  double Scale() const { return fit_.scale; }
  // The part of the picture in the control, in device pixels.
  const RgbImage& Display() const { return display_; }
  // The bitmap to show: Display with the picture outside the crop frame
  // darkened (black at alpha 96 of 255) and the frame drawn as a one-pixel
  // white outline. Equal to Display while there is no frame. For a device
  // pixel ratio of 1 (the frame is in logical pixels).
  RgbImage ComposeVisible() const;
  bool Visible() const { return HasPicture(); }
  bool Enabled() const { return enabled_; }
  int CropStyle() const { return crop_.CropStyle(); }

  // Device pixels per logical pixel of the screen (2 on a screen scaled to
  // 200%): the fit, zoom and crop frame stay in logical pixels, the display
  // bitmap is resampled to as many device pixels as the fit covers, so that
  // the picture is as sharp as the screen allows. Takes effect at the next fit.
  void SetDevicePixelRatio(double ratio) { devicePixelRatio_ = ratio > 1 ? ratio : 1; }
  double DevicePixelRatio() const { return devicePixelRatio_; }
  // What the display bitmap is drawn for (colour management is off until
  // set). Pixels held for another target are decoded again at the next fit.
  void SetColour(const ColourTarget& target);
  const ColourTarget& Colour() const { return decoder_.Colour(); }
  void SetStretchFilterIndex(unsigned index) { stretchFilterIndex_ = index; }
  unsigned StretchFilterIndex() const { return stretchFilterIndex_; }
  void SetMaxCropFrame(bool on) { crop_.SetMaxCropFrame(on); }
  // The stored picture's DCT block size; the crop frame gets it turned as shown.
  void SetBlockSize(uint8_t blockWidth, uint8_t blockHeight);

  Point ScreenToImage(Point screen) const {
    return FitGeometry::ScreenToImage(screen, fit_.width, fit_.height, fit_.scale);
  }
  Rect ImageToScreen(const Rect& image) const { return FitGeometry::ImageToScreen(image, fit_.scale); }

  CropFrame& Crop() { return crop_; }
  const CropFrame& Crop() const { return crop_; }

  JpegDecoder& Decoder() { return decoder_; }
  // The DCT scale denominator of the pixels decoded so far (0: none yet).
  int DecodedScaleDenominator() const { return decodedDenominator_; }

 private:
  // Whether the pixels at hand are fewer than a display of the given size
  // (as shown) needs.
  bool DecodeNeeded(int shownWidth, int shownHeight) const;
  // Decodes enough pixels for a display of the given size (as shown);
  // `observer` hears of the rows of a new decode as they are written.
  void EnsureDecoded(int shownWidth, int shownHeight, DecodeObserver* observer = nullptr);
  // The display bitmap of the given size: decoded as needed and resampled.
  RgbImage ShowPixels(int width, int height);
  // The display bitmap of the whole picture at width × height device pixels.
  RgbImage WholePicture(int width, int height);
  // The display bitmap of the part of the picture seen.
  RgbImage VisiblePart(int width, int height);
  // The part seen from a decode of only the part around it.
  RgbImage DecodedPart(const Viewport::Region& seen, int denominator, int width, int height);
  // Places the control, draws the display bitmap and hands the frame its view.
  void Render();
  void Forget();
  void TakeOrientation(Orientation stored);

  JpegDecoder decoder_;
  std::filesystem::path fileName_;
  std::string bytes_;  // the file, when loaded for a window
  JpegSize pictureSize_;
  JpegSize storedSize_;
  Orientation orientation_ = Orientation::Upright;
  bool autoOrient_ = true;
  uint8_t blockWidth_ = 0;
  uint8_t blockHeight_ = 0;
  RgbImage source_;  // decoded pixels, reduced by DCT scaling
  int decodedDenominator_ = 0;
  PictureColour colour_;  // of source_
  RgbImage display_;
  FitResult fit_;
  Viewport viewport_;
  Rect control_;
  uint64_t memoryBudget_ = kDefaultMemoryBudget;
  // A part of a picture too large to decode whole: shown pixels at the
  // scale of regionDenominator_, covering regionRect_ of that scale.
  RgbImage region_;
  Rect regionRect_;
  int regionDenominator_ = 0;
  unsigned stretchFilterIndex_ = 0;
  double devicePixelRatio_ = 1;
  bool enabled_ = false;
  bool quick_ = false;
  bool justTurned_ = false;  // until the next fit
  PreparedPicture prepared_;  // a display bitmap made ahead, until the next fit
  CropFrame crop_;
};

}  // namespace pixaldo
