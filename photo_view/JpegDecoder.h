#pragma once
// Decoding of JPEG pictures through libjpeg into 24-bit RGB, using the
// decoder's DCT scaling (1/8, 1/4, 1/2) so that no more pixels are decoded
// than the caller needs.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string_view>

#include "colour/ColourSource.h"
#include "photo_view/RgbImage.h"

namespace pixaldo {

// Width and height of a picture as stored in its frame header, and the size
// of its blocks (the MCU: 8, or 16 where colour is subsampled) in pixels.
struct JpegSize {
  int width = 0;
  int height = 0;
  int blockWidth = 8;
  int blockHeight = 8;
};

// A decoded picture: the pixels (possibly reduced by DCT scaling), the full
// picture size and the scale denominator that was used (1, 2, 4 or 8).
struct DecodedPicture {
  RgbImage image;
  JpegSize fullSize;
  int scaleDenominator = 1;
  // Where the colours are defined and what they are drawn for (see SetColour).
  PictureColour colour;
};

// Compressed data that arrives while it is being decoded, such as another
// program's output read from a pipe.
class JpegByteStream {
 public:
  virtual ~JpegByteStream() = default;
  // The next bytes, waiting until some have arrived; empty at the end of
  // the data. A view stays valid until the stream is destroyed.
  virtual std::string_view Next() = 0;
};

// Told about the rows of a decode as the decoder writes them, so that they
// can be used before the whole picture is there. Called on the decoding
// thread; none of the calls may throw.
class DecodeObserver {
 public:
  virtual ~DecodeObserver() = default;
  // The output bitmap is allocated (its size is final); no row written yet.
  virtual void Started(const RgbImage& image) noexcept = 0;
  // Rows 0 .. complete - 1 are final (the last call gives the height).
  virtual void Rows(int complete) noexcept = 0;
  // The decode is over (every row written, or it failed and the bitmap is
  // about to be freed): returns only when nothing reads the bitmap any more.
  virtual void Released() noexcept = 0;
};

class JpegDecoder {
 public:
  static constexpr uint64_t kDefaultPixelLimit = 400'000'000;
  // A progressive file can hold thousands of tiny scans that each walk the
  // whole frame; real files have a few dozen. More than this are refused.
  static constexpr int kMaxScans = 500;

  // Frames with more pixels than this (full size) are refused with a FileError.
  void SetPixelLimit(uint64_t pixels) { pixelLimit_ = pixels; }
  uint64_t PixelLimit() const { return pixelLimit_; }
  // What the pictures are decoded for. With colour management on, each
  // decode reads the picture's colour source and a CMYK picture with its
  // own profile is converted to the target's screen as it is decoded; other
  // pixels stay as stored, to be converted after resampling. Off by default:
  // pixels that are written back into files are never converted.
  void SetColour(ColourTarget target) { colour_ = std::move(target); }
  const ColourTarget& Colour() const { return colour_; }

  // Reads only the headers. Throws FileError naming `file` when the data is
  // no decodable JPEG or the frame is larger than the pixel limit.
  JpegSize ReadSize(const std::filesystem::path& file) const;
  JpegSize ReadSize(std::string_view bytes, const std::filesystem::path& nameForErrors) const;

  // Decodes at the smallest DCT scale whose result is at least
  // minWidth × minHeight (both 0: the smallest scale, 1/8; larger than the
  // picture: full size). Throws FileError naming the file on failure.
  // `observer`, when given, hears of the rows as they are written.
  DecodedPicture Decode(const std::filesystem::path& file, int minWidth, int minHeight,
                        DecodeObserver* observer = nullptr) const;
  DecodedPicture Decode(std::string_view bytes, int minWidth, int minHeight,
                        const std::filesystem::path& nameForErrors, DecodeObserver* observer = nullptr) const;

  // The same for data that arrives while it is decoded, with the minimum
  // size chosen from the full size once the headers are read. The pixels
  // are exactly those the other overloads give for the same bytes.
  DecodedPicture Decode(JpegByteStream& stream, const std::function<JpegSize(JpegSize full)>& minimumFor,
                        const std::filesystem::path& nameForErrors) const;

  // Only the rows top .. bottom - 1 and columns left .. right - 1 of the
  // picture decoded at 1/denominator (coordinates in pixels of that scale,
  // cut to the picture): the decoder skips the rows above and leaves out
  // whole blocks beside, so that a part of a very large picture needs
  // memory for that part only. Throws FileError naming the file.
  DecodedPicture DecodeRegion(std::string_view bytes, int denominator, int left, int top, int right, int bottom,
                              const std::filesystem::path& nameForErrors) const;

  // The scale denominator (1, 2, 4, 8) Decode would choose for a picture of
  // `full` size and the wanted minimum size.
  static int ChooseScaleDenominator(JpegSize full, int minWidth, int minHeight);

 private:
  uint64_t pixelLimit_ = kDefaultPixelLimit;
  ColourTarget colour_ = ColourTarget::Off();
};

}  // namespace pixaldo
