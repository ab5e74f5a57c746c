#pragma once
// Stretching an RGB bitmap to another size through libswscale with one of the
// five stretch filters of the photo view.
#include "photo_view/RgbImage.h"

namespace pixaldo {

// The stretch filter by its stored setting index ("StretchFilter").
enum class StretchFilter : unsigned {
  Nearest = 0,   // point sampling
  Linear = 1,    // bilinear
  Mitchell = 2,  // bicubic with B = C = 1/3
  Spline = 3,
  Lanczos = 4,
};

// The filter for a stored setting index; indexes outside 0..4 give Nearest.
StretchFilter StretchFilterFromIndex(unsigned index);

class Resampler {
 public:
  // `source` stretched to width × height (both ≥ 1) with the filter.
  // An empty source or target size gives an empty image.
  static RgbImage Resample(const RgbImage& source, int width, int height, StretchFilter filter);
  static RgbImage Resample(const RgbImage& source, int width, int height, unsigned filterIndex) {
    return Resample(source, width, height, StretchFilterFromIndex(filterIndex));
  }
};

}  // namespace pixaldo
