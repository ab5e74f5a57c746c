#pragma once
// A picture made ready for the photo view away from it (on a read-ahead
// worker): the file's bytes, its size and orientation, the pixels decoded
// for a panel and turned as shown and, once a fit is known, the display
// bitmap of that fit.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "exif/Orientation.h"
#include "photo_view/FitGeometry.h"
#include "photo_view/JpegDecoder.h"
#include "photo_view/RgbImage.h"
#include "photo_view/ZoomGeometry.h"

namespace pixaldo {

struct PreparedPicture {
  std::filesystem::path fileName;
  std::string bytes;
  JpegSize storedSize;
  Orientation orientation = Orientation::Upright;  // the file's EXIF orientation
  Orientation shownTurn = Orientation::Upright;    // the turn applied to the pixels
  JpegSize size;                                   // as shown
  DecodedPicture decoded;                          // turned as shown
  // Only the smallest scale was decoded, for a first look: the view shows
  // it stretched and decodes no more until a full preparation replaces it.
  bool quick = false;
  // The display bitmap (device pixels), the fit it was made for (logical
  // pixels), its stretch filter and device pixel ratio.
  RgbImage display;
  FitResult fit;
  unsigned filterIndex = 0;
  double devicePixelRatio = 1;

  // What the picture holds in memory, in bytes.
  size_t MemoryBytes() const { return bytes.size() + decoded.image.pixels.size() + display.pixels.size(); }
};

// What pictures are prepared for: the panel (logical pixels), the fit mode,
// the filter, the EXIF orientation honoured or not, the screen's device
// pixels per logical pixel and the colours it is drawn for.
struct PanelLayout {
  int width = 0;
  int height = 0;
  FitChoice fit;
  unsigned filterIndex = 0;
  bool autoOrient = true;
  double devicePixelRatio = 1;
  ColourTarget colour = ColourTarget::Off();
  bool operator==(const PanelLayout&) const = default;
};

// Decodes the stored picture of `bytes` with at least as many pixels as a
// display of shownWidth × shownHeight needs once turned by `shownTurn` (0 × 0:
// the smallest scale), and turns it. Throws FileError naming the file.
DecodedPicture DecodeShown(const JpegDecoder& decoder, const std::string& bytes, Orientation shownTurn,
                           int shownWidth, int shownHeight, const std::filesystem::path& file);

// Reads the whole file once and decodes as many pixels as the largest fit
// into a panel of panelWidth × panelHeight (device pixels) needs, upright by
// the file's EXIF orientation when `autoOrient`. A picture of more than
// quickAbovePixels that needs more than the smallest scale is decoded at 1/8
// only and marked quick. Throws FileError naming the file.
PreparedPicture PreparePicture(const std::filesystem::path& file, int panelWidth, int panelHeight,
                               const JpegDecoder& decoder, bool autoOrient, uint64_t quickAbovePixels = UINT64_MAX);

// Adds the display bitmap of the picture fitted into a panel of panelWidth ×
// panelHeight logical pixels, resampled to device pixels.
void PrepareDisplay(PreparedPicture& picture, int panelWidth, int panelHeight, FitChoice fit, unsigned filterIndex,
                    double devicePixelRatio);

// Finishes a picture from PhotoView::TurnAhead: turns its pixels by
// `picture.shownTurn` and makes the display bitmap for the panel given.
void MakeTurned(PreparedPicture& picture, int panelWidth, int panelHeight, FitChoice fit, unsigned filterIndex,
                double devicePixelRatio);

// The display size in device pixels of a fit in logical pixels.
inline int DevicePixels(int logical, double ratio) { return int(logical * ratio + 0.5); }

}  // namespace pixaldo
