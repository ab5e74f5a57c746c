#include "photo_view/Resampler.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>

#include <dlfcn.h>

extern "C" {
#include <libswscale/swscale.h>
}

namespace pixaldo {

namespace {

constexpr std::array<int, 5> kSwsFlags = {SWS_POINT, SWS_BILINEAR, SWS_BICUBIC, SWS_SPLINE, SWS_LANCZOS};

constexpr std::array<int, 3> kRgbOffset = {1, 2, 0};  // plane (G, B, R) → offset in an RGB pixel

struct AlignedDelete {
  void operator()(uint8_t* p) const { ::operator delete[](p, std::align_val_t{64}); }
};

// Rows of a picture as three colour planes in the order swscale's planar
// RGB wants them (green, blue, red). Planar RGB is scaled channel by channel
// without any detour through a luma/chroma format.
class PlanarRows {
 public:
  PlanarRows(int width, int rows)
      : width_(width), rows_(rows), stride_((static_cast<size_t>(width) + 63) / 64 * 64),
        storage_(new (std::align_val_t{64}) uint8_t[stride_ * static_cast<size_t>(rows) * 3]) {}

  uint8_t* Plane(int index) { return storage_.get() + stride_ * static_cast<size_t>(rows_) * static_cast<size_t>(index); }
  int Stride() const { return static_cast<int>(stride_); }

  // Splits rows first .. first + count - 1 of the image into rows 0 .. count - 1.
  void FromRgb(const RgbImage& image, int first, int count) {
    for (int p = 0; p < 3; ++p)
      for (int row = 0; row < count; ++row) {
        const uint8_t* in = image.Row(first + row) + kRgbOffset[p];
        uint8_t* out = Plane(p) + stride_ * static_cast<size_t>(row);
        for (int x = 0; x < width_; ++x, in += 3) out[x] = *in;
      }
  }

  // Interleaves all rows into the image (swscale's own packing is slower).
  void ToRgb(RgbImage& image) {
    for (int p = 0; p < 3; ++p)
      for (int row = 0; row < rows_; ++row) {
        const uint8_t* in = Plane(p) + stride_ * static_cast<size_t>(row);
        uint8_t* out = image.Row(row) + kRgbOffset[p];
        for (int x = 0; x < width_; ++x, out += 3) *out = in[x];
      }
  }

 private:
  int width_;
  int rows_;
  size_t stride_;
  std::unique_ptr<uint8_t[], AlignedDelete> storage_;
};

RgbImage MakeImage(int width, int height) {
  RgbImage image;
  image.width = width;
  image.height = height;
  image.pixels.resize(image.Stride() * static_cast<size_t>(height));
  return image;
}

// Point sampling by hand, for sizes swscale refuses.
RgbImage NearestByHand(const RgbImage& source, int width, int height) {
  RgbImage target = MakeImage(width, height);
  for (int y = 0; y < height; ++y) {
    const int sy = static_cast<int>((static_cast<int64_t>(y) * 2 + 1) * source.height / (2 * static_cast<int64_t>(height)));
    const uint8_t* in = source.Row(sy);
    uint8_t* out = target.Row(y);
    for (int x = 0; x < width; ++x) {
      const int sx = static_cast<int>((static_cast<int64_t>(x) * 2 + 1) * source.width / (2 * static_cast<int64_t>(width)));
      for (int c = 0; c < 3; ++c) out[x * 3 + c] = in[sx * 3 + c];
    }
  }
  return target;
}

#define PIXALDO_STRINGIFY2(x) #x
#define PIXALDO_STRINGIFY(x) PIXALDO_STRINGIFY2(x)

// libswscale is opened on the first resample, not at start-up: it brings in
// libavutil with the video-acceleration, X11 and OpenCL libraries, which the
// metadata commands would otherwise load on every run for nothing.
class Swscale {
 public:
  static const Swscale& Get() {
    static const Swscale library;
    if (!library.handle_) throw std::runtime_error("cannot load the picture scaler: " + library.error_);
    return library;
  }

  decltype(&sws_getContext) getContext = nullptr;
  decltype(&sws_scale) scale = nullptr;
  decltype(&sws_freeContext) freeContext = nullptr;

 private:
  static constexpr const char* kName = "libswscale.so." PIXALDO_STRINGIFY(LIBSWSCALE_VERSION_MAJOR);

  Swscale() {
    handle_ = ::dlopen(kName, RTLD_LAZY | RTLD_LOCAL);
    if (handle_ && Find(getContext, "sws_getContext") && Find(scale, "sws_scale") &&
        Find(freeContext, "sws_freeContext"))
      return;
    const char* reason = ::dlerror();
    error_ = std::string(kName) + ": " + (reason ? reason : "missing functions");
    handle_ = nullptr;  // left loaded: closing a half-used library gains nothing
  }

  template <typename Function>
  bool Find(Function& function, const char* name) {
    function = reinterpret_cast<Function>(::dlsym(handle_, name));
    return function != nullptr;
  }

  void* handle_ = nullptr;
  std::string error_;
};

struct SwsContextDelete {
  void operator()(SwsContext* context) const { Swscale::Get().freeContext(context); }
};

}  // namespace

StretchFilter StretchFilterFromIndex(unsigned index) {
  return index < kSwsFlags.size() ? static_cast<StretchFilter>(index) : StretchFilter::Nearest;
}

RgbImage Resampler::Resample(const RgbImage& source, int width, int height, StretchFilter filter) {
  if (source.Empty() || width <= 0 || height <= 0) return {};
  if (width == source.width && height == source.height) return source;

  const unsigned index = static_cast<unsigned>(filter) < kSwsFlags.size() ? static_cast<unsigned>(filter) : 0;
  double mitchell[2] = {1.0 / 3.0, 1.0 / 3.0};
  const int flags = kSwsFlags[index] | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT | SWS_FULL_CHR_H_INP;
  const Swscale& sws = Swscale::Get();
  std::unique_ptr<SwsContext, SwsContextDelete> context(
      sws.getContext(source.width, source.height, AV_PIX_FMT_GBRP, width, height, AV_PIX_FMT_GBRP, flags, nullptr,
                     nullptr, filter == StretchFilter::Mitchell ? mitchell : nullptr));
  if (!context) return NearestByHand(source, width, height);

  PlanarRows out(width, height);
  uint8_t* const outPlanes[3] = {out.Plane(0), out.Plane(1), out.Plane(2)};
  const int outStrides[3] = {out.Stride(), out.Stride(), out.Stride()};
  // The source goes in bands, so that no second full-size copy of it is made.
  constexpr int kBandRows = 32;
  PlanarRows band(source.width, kBandRows);
  const int bandStrides[3] = {band.Stride(), band.Stride(), band.Stride()};
  int written = 0;
  for (int first = 0; first < source.height; first += kBandRows) {
    const int count = std::min(kBandRows, source.height - first);
    band.FromRgb(source, first, count);
    const uint8_t* const bandPlanes[3] = {band.Plane(0), band.Plane(1), band.Plane(2)};
    written += sws.scale(context.get(), bandPlanes, bandStrides, first, count, outPlanes, outStrides);
  }
  if (written != height) return NearestByHand(source, width, height);
  RgbImage target = MakeImage(width, height);
  out.ToRgb(target);
  return target;
}

}  // namespace pixaldo
