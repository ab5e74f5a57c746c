#include "photo_view/Resampler.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>

#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

#include <cpuid.h>
#include <dlfcn.h>

#include "platform/PictureMemory.h"

extern "C" {
#include <libswscale/swscale.h>
}

namespace pixaldo {

namespace {

constexpr std::array<int, 5> kSwsFlags = {SWS_POINT, SWS_BILINEAR, SWS_BICUBIC, SWS_SPLINE, SWS_LANCZOS};


// Three planes into one RGB row. The loop runs for every pixel of a
// resample; with the rows known not to overlap it is vectorised.
inline __attribute__((always_inline)) void JoinPixels(const uint8_t* __restrict red,
                                                      const uint8_t* __restrict green,
                                                      const uint8_t* __restrict blue, uint8_t* __restrict rgb,
                                                      size_t width) {
  for (size_t x = 0; x < width; ++x) {
    rgb[3 * x] = red[x];
    rgb[3 * x + 1] = green[x];
    rgb[3 * x + 2] = blue[x];
  }
}

using JoinRowFunction = void (*)(const uint8_t*, const uint8_t*, const uint8_t*, uint8_t*, size_t);

void JoinRowPlain(const uint8_t* red, const uint8_t* green, const uint8_t* blue, uint8_t* rgb, size_t width) {
  JoinPixels(red, green, blue, rgb, width);
}

// With AVX2 where the processor has it. The processor is asked at the first
// resample rather than at start-up (as the compiler's own dispatch does, in
// every command, most of which never resample).
#if defined(__x86_64__)
__attribute__((target("avx2"))) void JoinRowAvx2(const uint8_t* red, const uint8_t* green, const uint8_t* blue,
                                                 uint8_t* rgb, size_t width) {
  JoinPixels(red, green, blue, rgb, width);
}

bool HasAvx2() {
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (!__get_cpuid(1, &a, &b, &c, &d) || !(c & bit_OSXSAVE) || !(c & bit_AVX)) return false;
  unsigned low = 0, high = 0;  // the system saves the AVX registers
  __asm__("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
  return (low & 6) == 6 && __get_cpuid_count(7, 0, &a, &b, &c, &d) && (b & bit_AVX2);
}

JoinRowFunction ChooseJoinRow() { return HasAvx2() ? JoinRowAvx2 : JoinRowPlain; }
#else
JoinRowFunction ChooseJoinRow() { return JoinRowPlain; }
#endif

void JoinRow(const uint8_t* red, const uint8_t* green, const uint8_t* blue, uint8_t* rgb, size_t width) {
  static const JoinRowFunction join = ChooseJoinRow();
  join(red, green, blue, rgb, width);
}

// Rows of a picture as three colour planes in the order swscale's planar
// RGB gives them (green, blue, red). Planar RGB is scaled channel by channel
// without any detour through a luma/chroma format; swscale reads the packed
// RGB rows of the source into it itself, in the same pass.
class PlanarRows {
 public:
  PlanarRows(int width, int rows)
      : width_(width), rows_(rows), stride_((static_cast<size_t>(width) + 63) / 64 * 64),
        bytes_(stride_ * static_cast<size_t>(rows) * 3),
        storage_(static_cast<uint8_t*>(AllocatePictureMemory(bytes_)), Free{bytes_}) {}

  uint8_t* Plane(int index) { return storage_.get() + stride_ * static_cast<size_t>(rows_) * static_cast<size_t>(index); }
  int Stride() const { return static_cast<int>(stride_); }

  // Interleaves rows first .. first + count - 1 into the same rows of the
  // image (swscale's own packing is slower), each pixel written once.
  void ToRgb(RgbImage& image, int first, int count) {
    for (int row = first; row < first + count; ++row) {
      const size_t at = stride_ * static_cast<size_t>(row);
      JoinRow(Plane(2) + at, Plane(0) + at, Plane(1) + at, image.Row(row), static_cast<size_t>(width_));
    }
  }

 private:
  int width_;
  int rows_;
  struct Free {
    size_t bytes;
    void operator()(uint8_t* block) const { FreePictureMemory(block, bytes); }
  };
  size_t stride_;
  size_t bytes_;
  std::unique_ptr<uint8_t[], Free> storage_;
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

namespace {

// Beside a decoder, the source goes to the scaler in bands of this many
// rows, each as soon as the decoder has written it.
constexpr int kBandRows = 32;

bool NeedsScaler(int sourceWidth, int sourceHeight, int width, int height) {
  return sourceWidth > 0 && sourceHeight > 0 && width > 0 && height > 0 &&
         (width != sourceWidth || height != sourceHeight);
}

// swscale fed in slices crashes once its vertical filter spans a few hundred
// source rows (shrinking more than about 13 times with the spline filter, 30
// times with Lanczos); beyond 8 times the source goes to it in one piece,
// after the decode.
constexpr int kMostRowsPerRowInBands = 8;

bool ScalesInBands(int sourceHeight, int height) {
  return static_cast<int64_t>(sourceHeight) <= static_cast<int64_t>(height) * kMostRowsPerRowInBands;
}

}  // namespace

// One resample from a source size to a target size, fed band by band from
// the top; the output rows are interleaved as soon as the scaler gives
// them. Sizes swscale refuses are point-sampled by hand at the end.
class BandScaler {
 public:
  BandScaler(int sourceWidth, int sourceHeight, int width, int height, StretchFilter filter)
      : width_(width), height_(height), out_(width, height) {
    const unsigned index = static_cast<unsigned>(filter) < kSwsFlags.size() ? static_cast<unsigned>(filter) : 0;
    double mitchell[2] = {1.0 / 3.0, 1.0 / 3.0};
    const int flags = kSwsFlags[index] | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT | SWS_FULL_CHR_H_INP;
    context_.reset(Swscale::Get().getContext(sourceWidth, sourceHeight, AV_PIX_FMT_RGB24, width, height,
                                             AV_PIX_FMT_GBRP, flags, nullptr, nullptr,
                                             filter == StretchFilter::Mitchell ? mitchell : nullptr));
    if (context_) target_ = MakeImage(width, height);
  }

  // The band of source rows first .. first + count - 1, starting at `rows`
  // in the pixels of an RgbImage (swscale reads a little past the band).
  void Scale(const uint8_t* rows, size_t stride, int first, int count) {
    if (!context_) return;
    const uint8_t* const band[1] = {rows};
    const int bandStride[1] = {static_cast<int>(stride)};
    uint8_t* const outPlanes[3] = {out_.Plane(0), out_.Plane(1), out_.Plane(2)};
    const int outStrides[3] = {out_.Stride(), out_.Stride(), out_.Stride()};
    const int lines = Swscale::Get().scale(context_.get(), band, bandStride, first, count, outPlanes, outStrides);
    if (lines > 0 && written_ + lines <= height_) out_.ToRgb(target_, written_, lines);
    written_ += lines;
  }

  bool Complete() const { return context_ && written_ == height_; }

  RgbImage Finish(const RgbImage& source) {
    if (!Complete()) return NearestByHand(source, width_, height_);
    return std::move(target_);
  }

 private:
  int width_, height_;
  PlanarRows out_;
  std::unique_ptr<SwsContext, SwsContextDelete> context_;
  RgbImage target_;
  int written_ = 0;
};

void Resampler::Prepare() noexcept {
  try {
    Swscale::Get();
  } catch (...) {
  }
}

RgbImage Resampler::Resample(const RgbImage& source, int width, int height, StretchFilter filter) {
  if (source.Empty() || width <= 0 || height <= 0) return {};
  if (!NeedsScaler(source.width, source.height, width, height)) return source;
  BandScaler scaler(source.width, source.height, width, height, filter);
  scaler.Scale(source.pixels.data(), source.Stride(), 0, source.height);
  return scaler.Finish(source);
}

namespace {

// Rows top .. top + height - 1 and columns left .. left + width - 1 of `source`.
RgbImage CutOut(const RgbImage& source, int left, int top, int width, int height) {
  RgbImage part = MakeImage(width, height);
  for (int y = 0; y < height; ++y)
    std::copy_n(source.Row(top + y) + size_t(left) * 3, part.Stride(), part.Row(y));
  return part;
}

// The whole pixels around x0 .. x1 of an axis `extent` pixels long, scaled
// by the factor that makes x1 - x0 span `size`: where the piece starts and
// ends, its scaled length and where the wanted part starts in it.
struct AxisPiece {
  int first, last, scaled, offset;
};

AxisPiece PieceOf(double x0, double x1, int extent, int size) {
  x0 = std::clamp(x0, 0.0, double(extent));
  x1 = std::clamp(x1, x0, double(extent));
  AxisPiece piece;
  piece.first = std::clamp(int(std::floor(x0)), 0, extent - 1);
  piece.last = std::clamp(int(std::ceil(x1)), piece.first + 1, extent);
  const double factor = x1 > x0 ? size / (x1 - x0) : 1.0;
  piece.scaled = std::max(size, int(std::lround((piece.last - piece.first) * factor)));
  piece.offset = std::clamp(int(std::lround((x0 - piece.first) * factor)), 0, piece.scaled - size);
  return piece;
}

}  // namespace

RgbImage Resampler::ResampleRegion(const RgbImage& source, double x0, double y0, double x1, double y1, int width,
                                   int height, StretchFilter filter) {
  if (source.Empty() || width <= 0 || height <= 0) return {};
  const AxisPiece across = PieceOf(x0, x1, source.width, width);
  const AxisPiece down = PieceOf(y0, y1, source.height, height);
  const int pieceWidth = across.last - across.first;
  const int pieceHeight = down.last - down.first;
  if (across.scaled == pieceWidth && down.scaled == pieceHeight)
    return CutOut(source, across.first + across.offset, down.first + down.offset, width, height);
  BandScaler scaler(pieceWidth, pieceHeight, across.scaled, down.scaled, filter);
  scaler.Scale(source.Row(down.first) + size_t(across.first) * 3, source.Stride(), 0, pieceHeight);
  // Sizes the scaler refuses are point-sampled by hand.
  const RgbImage scaled =
      scaler.Complete() ? scaler.Finish(source)
                        : NearestByHand(CutOut(source, across.first, down.first, pieceWidth, pieceHeight),
                                        across.scaled, down.scaled);
  if (scaled.width == width && scaled.height == height) return scaled;
  return CutOut(scaled, across.offset, down.offset, width, height);
}

// What the decoding thread and the scaling thread share.
struct BandedResample::Shared {
  std::mutex mutex;
  std::condition_variable changed;
  const uint8_t* pixels = nullptr;  // the bitmap being decoded, once started
  int width = 0, height = 0;
  int complete = 0;   // rows written so far
  bool stop = false;  // no more rows will come
  bool idle = false;  // the scaling thread no longer reads the bitmap
};

BandedResample::BandedResample(int width, int height, StretchFilter filter)
    : width_(width), height_(height), filter_(filter), shared_(std::make_unique<Shared>()) {
  thread_ = SideThread([this] { Work(); });
}

BandedResample::~BandedResample() {
  Stop();
  if (thread_.joinable()) thread_.join();
}

void BandedResample::Work() {
  Shared& shared = *shared_;
  try {
    Swscale::Get();  // the library loads while the decoder reads the headers
    std::unique_lock lock(shared.mutex);
    shared.changed.wait(lock, [&] { return shared.pixels || shared.stop; });
    if (shared.pixels && NeedsScaler(shared.width, shared.height, width_, height_) &&
        ScalesInBands(shared.height, height_)) {
      const size_t stride = size_t(shared.width) * 3;
      lock.unlock();
      scaler_ = std::make_unique<BandScaler>(shared.width, shared.height, width_, height_, filter_);
      for (int first = 0; first < shared.height; first += kBandRows) {
        const int count = std::min(kBandRows, shared.height - first);
        lock.lock();
        shared.changed.wait(lock, [&] { return shared.complete >= first + count || shared.stop; });
        const bool ready = shared.complete >= first + count;
        lock.unlock();
        if (!ready) break;
        scaler_->Scale(shared.pixels + stride * size_t(first), stride, first, count);
        scaled_ = first + count;
      }
      lock.lock();
    }
    shared.idle = true;
  } catch (...) {
    // No scaler: Finish resamples on the calling thread, which reports the failure.
    const std::lock_guard lock(shared.mutex);
    shared.idle = true;
  }
  shared.changed.notify_all();
}

void BandedResample::Started(const RgbImage& image) noexcept {
  decodingHeight_ = image.height;
  {
    const std::lock_guard lock(shared_->mutex);
    shared_->pixels = image.pixels.data();
    shared_->width = image.width;
    shared_->height = image.height;
  }
  shared_->changed.notify_all();
}

void BandedResample::Rows(int complete) noexcept {
  // The scaling thread wants whole bands: it is woken only when one is complete.
  if (complete % kBandRows != 0 && complete != decodingHeight_) return;
  {
    const std::lock_guard lock(shared_->mutex);
    shared_->complete = complete;
  }
  shared_->changed.notify_all();
}

void BandedResample::Stop() noexcept {
  {
    const std::lock_guard lock(shared_->mutex);
    shared_->stop = true;
  }
  shared_->changed.notify_all();
  thread_.Widen();  // the decoder's core is free for the rest now
}

void BandedResample::Released() noexcept {
  Stop();  // the bands already written are still scaled
  std::unique_lock lock(shared_->mutex);
  shared_->changed.wait(lock, [this] { return shared_->idle; });
}

RgbImage BandedResample::Finish(const RgbImage& source) {
  Stop();
  thread_.join();
  // Only every band of exactly this bitmap is the result; anything else (no
  // decode, another bitmap) is resampled here.
  const Shared& shared = *shared_;
  const bool whole = scaler_ && shared.pixels == source.pixels.data() && shared.width == source.width &&
                     shared.height == source.height && scaled_ == source.height;
  return whole ? scaler_->Finish(source) : Resampler::Resample(source, width_, height_, filter_);
}

}  // namespace pixaldo
