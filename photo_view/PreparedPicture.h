#pragma once
// A picture made ready for the photo view away from it (on a read-ahead
// worker): the file's bytes, its size, the pixels decoded for a panel and,
// once a fit is known, the display bitmap of that fit.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "photo_view/FitGeometry.h"
#include "photo_view/JpegDecoder.h"
#include "photo_view/RgbImage.h"

namespace pixaldo {

struct PreparedPicture {
  std::filesystem::path fileName;
  std::string bytes;
  JpegSize size;
  DecodedPicture decoded;
  // Only the smallest scale was decoded, for a first look: the view shows
  // it stretched and decodes no more until a full preparation replaces it.
  bool quick = false;
  // The display bitmap, the fit it was made for and its stretch filter.
  RgbImage display;
  FitResult fit;
  unsigned filterIndex = 0;

  // What the picture holds in memory, in bytes.
  size_t MemoryBytes() const { return bytes.size() + decoded.image.pixels.size() + display.pixels.size(); }
};

// Reads the whole file once and decodes as many pixels as the largest fit
// into a panel of panelWidth × panelHeight needs. A picture of more than
// quickAbovePixels that needs more than the smallest scale is decoded at 1/8
// only and marked quick. Throws FileError naming the file.
PreparedPicture PreparePicture(const std::filesystem::path& file, int panelWidth, int panelHeight,
                               const JpegDecoder& decoder, uint64_t quickAbovePixels = UINT64_MAX);

// Adds the display bitmap of the picture fitted into a panel.
void PrepareDisplay(PreparedPicture& picture, int panelWidth, int panelHeight, bool squareBox, unsigned filterIndex);

}  // namespace pixaldo
