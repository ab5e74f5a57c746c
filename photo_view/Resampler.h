#pragma once
// Stretching an RGB bitmap to another size through libswscale with one of the
// five stretch filters of the photo view.
#include <memory>

#include "photo_view/JpegDecoder.h"
#include "photo_view/RgbImage.h"
#include "platform/SideThread.h"

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
  // The part x0 .. x1 × y0 .. y1 of `source` (source pixels, fractions
  // kept) stretched to width × height: the whole source pixels around it are
  // scaled as one piece and the wanted part is cut out, so that the same
  // source pixel lands on the same place whichever part is asked for.
  // Where no scaling is needed the pixels are copied.
  static RgbImage ResampleRegion(const RgbImage& source, double x0, double y0, double x1, double y1, int width,
                                 int height, StretchFilter filter);
  // Loads the scaler library now, for a caller with time to spare before
  // its first resample; a failure is left for that resample to report.
  static void Prepare() noexcept;
};

class BandScaler;

// A resample beside a decode: a second thread loads and prepares the scaler
// while the decoder reads the headers, then scales each band of rows as soon
// as the decoder has written it. Handed to the decoder as its observer; the
// result is exactly Resample's of the decoded bitmap.
class BandedResample final : public DecodeObserver {
 public:
  BandedResample(int width, int height, StretchFilter filter);
  ~BandedResample() override;
  BandedResample(const BandedResample&) = delete;
  BandedResample& operator=(const BandedResample&) = delete;

  void Started(const RgbImage& image) noexcept override;
  void Rows(int complete) noexcept override;
  void Released() noexcept override;

  // `source` resampled: the bands already scaled when it is the bitmap the
  // decoder wrote, else a plain Resample. Throws what Resample would.
  RgbImage Finish(const RgbImage& source);

 private:
  struct Shared;
  void Work();
  void Stop() noexcept;

  int width_, height_;
  StretchFilter filter_;
  std::unique_ptr<Shared> shared_;
  std::unique_ptr<BandScaler> scaler_;  // made and fed by the thread
  int scaled_ = 0;                      // source rows the thread has scaled
  int decodingHeight_ = 0;              // the decoder's side: the bitmap's height
  SideThread thread_;
};

}  // namespace pixaldo
