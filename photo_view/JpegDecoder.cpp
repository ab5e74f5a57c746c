#include "photo_view/JpegDecoder.h"

#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string>

#include <jpeglib.h>
#include <jerror.h>
#include <sys/stat.h>
#include <unistd.h>

#include "colour/ColourEngine.h"
#include "platform/FileError.h"
#include "platform/FileSystem.h"

namespace pixaldo {

namespace {

// A file is read in pieces of this size.
constexpr size_t kFileBuffer = 64 * 1024;

// libjpeg reports fatal errors through error_exit; we jump back to the phase
// that called it. The phases below keep no objects with destructors in their
// frames, so the jump skips nothing that needs cleaning up.
struct DecoderError {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

void ErrorExit(j_common_ptr cinfo) {
  auto* error = reinterpret_cast<DecoderError*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, error->message);
  std::longjmp(error->jump, 1);
}

void IgnoreMessage(j_common_ptr) {}  // warnings (e.g. a truncated file) are not printed

void CheckScanCount(j_common_ptr cinfo) {
  if (cinfo->is_decompressor && reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > JpegDecoder::kMaxScans) {
    auto* error = reinterpret_cast<DecoderError*>(cinfo->err);
    std::snprintf(error->message, sizeof error->message, "more than %d scans", JpegDecoder::kMaxScans);
    std::longjmp(error->jump, 1);
  }
}

// A file opened for reading, closed with the object.
class OpenFile {
 public:
  explicit OpenFile(const std::filesystem::path& file) : fd_(OpenRegularFile(file)) {}
  ~OpenFile() { ::close(fd_); }
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;
  int Descriptor() const { return fd_; }

 private:
  int fd_;
};

// One libjpeg decompressor with its error manager, destroyed with the object.
struct Decompressor {
  jpeg_decompress_struct cinfo{};
  DecoderError error{};
  jpeg_progress_mgr progress{};

  Decompressor() {
    cinfo.err = jpeg_std_error(&error.pub);
    error.pub.error_exit = ErrorExit;
    error.pub.output_message = IgnoreMessage;
    error.message[0] = '\0';
    jpeg_create_decompress(&cinfo);
    progress.progress_monitor = CheckScanCount;
    cinfo.progress = &progress;
  }
  ~Decompressor() { jpeg_destroy_decompress(&cinfo); }
  Decompressor(const Decompressor&) = delete;
  Decompressor& operator=(const Decompressor&) = delete;
};

// Where the compressed data comes from.
struct Input {
  int file = -1;
  JpegByteStream* stream = nullptr;
  const unsigned char* data = nullptr;
  unsigned long size = 0;
};

// A libjpeg source over a JpegByteStream. At the end of the data it does
// what libjpeg's own memory source does: a warning and a made-up EOI.
struct StreamSource {
  jpeg_source_mgr pub;
  JpegByteStream* stream;
};

void SourceInit(j_decompress_ptr) {}
void SourceTerm(j_decompress_ptr) {}

boolean StreamFill(j_decompress_ptr cinfo) {
  static const JOCTET kEoi[2] = {0xFF, JPEG_EOI};
  auto* source = reinterpret_cast<StreamSource*>(cinfo->src);
  const std::string_view bytes = source->stream->Next();
  if (bytes.empty()) {
    WARNMS(cinfo, JWRN_JPEG_EOF);
    source->pub.next_input_byte = kEoi;
    source->pub.bytes_in_buffer = 2;
  } else {
    source->pub.next_input_byte = reinterpret_cast<const JOCTET*>(bytes.data());
    source->pub.bytes_in_buffer = bytes.size();
  }
  return TRUE;
}

void SourceSkip(j_decompress_ptr cinfo, long count) {
  jpeg_source_mgr* source = cinfo->src;
  while (count > long(source->bytes_in_buffer)) {
    count -= long(source->bytes_in_buffer);
    (void)(*source->fill_input_buffer)(cinfo);
  }
  if (count > 0) {
    source->next_input_byte += count;
    source->bytes_in_buffer -= size_t(count);
  }
}

// A source of ours of type Source, made in the decompressor's memory and
// installed with the given way of filling its buffer.
template <typename Source>
Source* InstallSource(j_decompress_ptr cinfo, boolean (*fill)(j_decompress_ptr)) {
  auto* source = static_cast<Source*>(
      (*cinfo->mem->alloc_small)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, sizeof(Source)));
  source->pub.init_source = SourceInit;
  source->pub.fill_input_buffer = fill;
  source->pub.skip_input_data = SourceSkip;
  source->pub.resync_to_restart = jpeg_resync_to_restart;
  source->pub.term_source = SourceTerm;
  source->pub.next_input_byte = nullptr;
  source->pub.bytes_in_buffer = 0;
  cinfo->src = &source->pub;
  return source;
}

void UseStream(j_decompress_ptr cinfo, JpegByteStream* stream) {
  InstallSource<StreamSource>(cinfo, StreamFill)->stream = stream;
}

// A libjpeg source reading a file in large pieces. libjpeg's own stdio
// source hands the decoder 4 KB at a time, while its fast Huffman decoding
// wants 512 bytes ahead for every block of an MCU (3 KB with subsampled
// colour): most of every small piece went through the slow path. At the end
// it does what the stdio source does: an empty file is an error, a
// truncated one a warning and a made-up EOI.
struct FileSource {
  jpeg_source_mgr pub;
  int fd;
  JOCTET* buffer;
  bool started;
};

boolean FileFill(j_decompress_ptr cinfo) {
  static const JOCTET kEoi[2] = {0xFF, JPEG_EOI};
  auto* source = reinterpret_cast<FileSource*>(cinfo->src);
  ssize_t count = 0;
  do {
    count = ::read(source->fd, source->buffer, kFileBuffer);
  } while (count < 0 && errno == EINTR);
  if (count <= 0) {
    if (!source->started) ERREXIT(cinfo, JERR_INPUT_EMPTY);
    WARNMS(cinfo, JWRN_JPEG_EOF);
    source->pub.next_input_byte = kEoi;
    source->pub.bytes_in_buffer = 2;
  } else {
    source->pub.next_input_byte = source->buffer;
    source->pub.bytes_in_buffer = static_cast<size_t>(count);
  }
  source->started = true;
  return TRUE;
}

void UseFile(j_decompress_ptr cinfo, int fd) {
  FileSource* source = InstallSource<FileSource>(cinfo, FileFill);
  source->fd = fd;
  source->buffer = static_cast<JOCTET*>(
      (*cinfo->mem->alloc_large)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, kFileBuffer));
  source->started = false;
}

// Phase 1: reads the headers (keeping the segments that define the colours
// when asked). Returns false with the reason in error.message.
bool ReadHeaders(Decompressor& d, const Input& input, bool keepColourSegments = false) {
  if (setjmp(d.error.jump)) return false;
  if (keepColourSegments) {
    jpeg_save_markers(&d.cinfo, JPEG_APP0 + 1, 0xFFFF);
    jpeg_save_markers(&d.cinfo, JPEG_APP0 + 2, 0xFFFF);
  }
  if (input.file >= 0)
    UseFile(&d.cinfo, input.file);
  else if (input.stream)
    UseStream(&d.cinfo, input.stream);
  else
    jpeg_mem_src(&d.cinfo, input.data, input.size);
  if (jpeg_read_header(&d.cinfo, TRUE) != JPEG_HEADER_OK) {
    std::snprintf(d.error.message, sizeof d.error.message, "no picture in the JPEG data");
    return false;
  }
  return true;
}

bool IsCmyk(const jpeg_decompress_struct& cinfo) {
  return cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
}

// Phase 2: sets the scale and computes the output size.
bool PrepareOutput(Decompressor& d, int denominator) {
  if (setjmp(d.error.jump)) return false;
  d.cinfo.scale_num = 1;
  d.cinfo.scale_denom = static_cast<unsigned>(denominator);
  d.cinfo.out_color_space = IsCmyk(d.cinfo) ? JCS_CMYK : JCS_RGB;
  d.cinfo.dct_method = JDCT_ISLOW;
  jpeg_calc_output_dimensions(&d.cinfo);
  return true;
}

void CmykRowToRgb(const JSAMPLE* cmyk, unsigned char* rgb, JDIMENSION width, bool inverted) {
  for (JDIMENSION x = 0; x < width; ++x, cmyk += 4, rgb += 3) {
    unsigned k = inverted ? cmyk[3] : 255u - cmyk[3];
    for (int c = 0; c < 3; ++c) {
      unsigned v = inverted ? cmyk[c] : 255u - cmyk[c];
      rgb[c] = static_cast<unsigned char>((v * k + 127) / 255);
    }
  }
}

// Phase 3: decodes every scanline into `pixels` (output_width × 3 bytes a
// row); CMYK through `cmykToScreen` when given.
bool ReadPixels(Decompressor& d, unsigned char* pixels, DecodeObserver* observer, const CmykToScreen* cmykToScreen) {
  if (setjmp(d.error.jump)) return false;
  jpeg_start_decompress(&d.cinfo);
  const size_t stride = static_cast<size_t>(d.cinfo.output_width) * 3;
  const bool cmyk = d.cinfo.out_color_space == JCS_CMYK;
  JSAMPARRAY cmykRow = nullptr;
  if (cmyk)
    cmykRow = (*d.cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&d.cinfo), JPOOL_IMAGE,
                                           d.cinfo.output_width * 4, 1);
  while (d.cinfo.output_scanline < d.cinfo.output_height) {
    unsigned char* target = pixels + stride * d.cinfo.output_scanline;
    if (cmyk) {
      if (jpeg_read_scanlines(&d.cinfo, cmykRow, 1) != 1) break;
      if (cmykToScreen)
        cmykToScreen->Row(cmykRow[0], target, d.cinfo.output_width);
      else
        CmykRowToRgb(cmykRow[0], target, d.cinfo.output_width, d.cinfo.saw_Adobe_marker);
    } else {
      JSAMPROW row = target;
      if (jpeg_read_scanlines(&d.cinfo, &row, 1) != 1) break;
    }
    if (observer) observer->Rows(static_cast<int>(d.cinfo.output_scanline));
  }
  // Rows the decoder did not give are black (the bitmap is not cleared beforehand).
  const size_t done = stride * d.cinfo.output_scanline;
  std::memset(pixels + done, 0, stride * d.cinfo.output_height - done);
  if (observer) observer->Rows(static_cast<int>(d.cinfo.output_height));
  jpeg_finish_decompress(&d.cinfo);
  return true;
}

// Phase 3 for a part: the rows and columns of `region` (left, top, width,
// height, within the output size) into `image`.
bool ReadRegion(Decompressor& d, const JDIMENSION region[4], RgbImage& image) {
  if (setjmp(d.error.jump)) return false;
  jpeg_start_decompress(&d.cinfo);
  JDIMENSION first = region[0];
  JDIMENSION columns = region[2];
  jpeg_crop_scanline(&d.cinfo, &first, &columns);  // widened to whole blocks
  if (region[1] > 0) jpeg_skip_scanlines(&d.cinfo, region[1]);
  const bool cmyk = d.cinfo.out_color_space == JCS_CMYK;
  JSAMPARRAY row = (*d.cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&d.cinfo), JPOOL_IMAGE,
                                                d.cinfo.output_width * (cmyk ? 4 : 3), 1);
  const size_t skip = size_t(region[0] - first);
  for (int y = 0; y < image.height; ++y) {
    if (jpeg_read_scanlines(&d.cinfo, row, 1) != 1) {
      std::memset(image.Row(y), 0, image.Stride() * size_t(image.height - y));  // black where the data ends
      break;
    }
    if (cmyk)
      CmykRowToRgb(row[0] + skip * 4, image.Row(y), JDIMENSION(image.width), d.cinfo.saw_Adobe_marker);
    else
      std::memcpy(image.Row(y), row[0] + skip * 3, image.Stride());
  }
  jpeg_abort_decompress(&d.cinfo);
  return true;
}

[[noreturn]] void Fail(const std::filesystem::path& name, const Decompressor& d) {
  throw FileError(name, std::string("cannot decode the picture: ") + d.error.message);
}

JpegSize HeaderSize(Decompressor& d, const Input& input, uint64_t pixelLimit, const std::filesystem::path& name,
                    bool keepColourSegments = false) {
  if (!ReadHeaders(d, input, keepColourSegments)) Fail(name, d);
  JpegSize size{static_cast<int>(d.cinfo.image_width), static_cast<int>(d.cinfo.image_height)};
  if (d.cinfo.num_components > 1) {
    size.blockWidth = d.cinfo.max_h_samp_factor * DCTSIZE;
    size.blockHeight = d.cinfo.max_v_samp_factor * DCTSIZE;
  }
  const uint64_t pixels = static_cast<uint64_t>(d.cinfo.image_width) * d.cinfo.image_height;
  if (pixels > pixelLimit)
    throw FileError(name, "the picture of " + std::to_string(size.width) + "x" + std::to_string(size.height) +
                              " pixels is larger than the limit of " + std::to_string(pixelLimit) + " pixels");
  return size;
}

// The colour segments libjpeg kept, as the head of a JPEG stream.
std::string ColourSegments(const jpeg_decompress_struct& cinfo) {
  std::string head = "\xFF\xD8";
  for (jpeg_saved_marker_ptr marker = cinfo.marker_list; marker; marker = marker->next) {
    const unsigned length = marker->data_length + 2;
    head += {char(0xFF), char(marker->marker), char(length >> 8), char(length & 0xFF)};
    head.append(reinterpret_cast<const char*>(marker->data), marker->data_length);
  }
  return head;
}

DecodedPicture DecodeInput(const Input& input, const std::function<JpegSize(JpegSize)>& minimumFor,
                           uint64_t pixelLimit, const std::filesystem::path& name, DecodeObserver* observer,
                           const ColourTarget& colour) {
  Decompressor d;
  DecodedPicture result;
  result.fullSize = HeaderSize(d, input, pixelLimit, name, colour.enabled);
  result.colour.target = colour;
  std::unique_ptr<CmykToScreen> cmykToScreen;
  if (colour.enabled) {
    result.colour.source = ReadColourSource(ColourSegments(d.cinfo), d.cinfo.num_components);
    if (IsCmyk(d.cinfo)) cmykToScreen = CmykToScreen::For(result.colour.source, colour, d.cinfo.saw_Adobe_marker);
    result.colour.onScreen = cmykToScreen != nullptr;
  }
  const JpegSize minimum = minimumFor(result.fullSize);
  result.scaleDenominator = JpegDecoder::ChooseScaleDenominator(result.fullSize, minimum.width, minimum.height);
  if (!PrepareOutput(d, result.scaleDenominator)) Fail(name, d);
  RgbImage& image = result.image;
  image.width = static_cast<int>(d.cinfo.output_width);
  image.height = static_cast<int>(d.cinfo.output_height);
  image.pixels.resize(image.Stride() * static_cast<size_t>(image.height));
  if (observer) observer->Started(image);
  const bool done = ReadPixels(d, image.pixels.data(), observer, cmykToScreen.get());
  if (observer) observer->Released();
  if (!done) Fail(name, d);
  return result;
}

std::function<JpegSize(JpegSize)> FixedMinimum(int width, int height) {
  return [=](JpegSize) { return JpegSize{width, height}; };
}

Input MemoryInput(std::string_view bytes) {
  Input input;
  input.data = reinterpret_cast<const unsigned char*>(bytes.data());
  input.size = static_cast<unsigned long>(bytes.size());
  return input;
}

}  // namespace

int JpegDecoder::ChooseScaleDenominator(JpegSize full, int minWidth, int minHeight) {
  for (int denominator : {8, 4, 2}) {
    const int width = (full.width + denominator - 1) / denominator;
    const int height = (full.height + denominator - 1) / denominator;
    if (width >= minWidth && height >= minHeight) return denominator;
  }
  return 1;
}

DecodedPicture JpegDecoder::DecodeRegion(std::string_view bytes, int denominator, int left, int top, int right,
                                         int bottom, const std::filesystem::path& nameForErrors) const {
  Decompressor d;
  DecodedPicture result;
  result.fullSize = HeaderSize(d, MemoryInput(bytes), pixelLimit_, nameForErrors);
  result.scaleDenominator = denominator == 2 || denominator == 4 || denominator == 8 ? denominator : 1;
  if (!PrepareOutput(d, result.scaleDenominator)) Fail(nameForErrors, d);
  left = std::clamp(left, 0, int(d.cinfo.output_width));
  top = std::clamp(top, 0, int(d.cinfo.output_height));
  right = std::clamp(right, left, int(d.cinfo.output_width));
  bottom = std::clamp(bottom, top, int(d.cinfo.output_height));
  if (right == left || bottom == top) return result;
  RgbImage& image = result.image;
  image.width = right - left;
  image.height = bottom - top;
  image.pixels.resize(image.Stride() * size_t(image.height));
  const JDIMENSION region[4] = {JDIMENSION(left), JDIMENSION(top), JDIMENSION(image.width), JDIMENSION(image.height)};
  if (!ReadRegion(d, region, image)) Fail(nameForErrors, d);
  return result;
}

JpegSize JpegDecoder::ReadSize(const std::filesystem::path& file) const {
  const OpenFile opened(file);
  Decompressor d;
  Input input;
  input.file = opened.Descriptor();
  return HeaderSize(d, input, pixelLimit_, file);
}

JpegSize JpegDecoder::ReadSize(std::string_view bytes, const std::filesystem::path& nameForErrors) const {
  Decompressor d;
  return HeaderSize(d, MemoryInput(bytes), pixelLimit_, nameForErrors);
}

DecodedPicture JpegDecoder::Decode(const std::filesystem::path& file, int minWidth, int minHeight,
                                   DecodeObserver* observer) const {
  const OpenFile opened(file);
  Input input;
  input.file = opened.Descriptor();
  return DecodeInput(input, FixedMinimum(minWidth, minHeight), pixelLimit_, file, observer, colour_);
}

DecodedPicture JpegDecoder::Decode(std::string_view bytes, int minWidth, int minHeight,
                                   const std::filesystem::path& nameForErrors, DecodeObserver* observer) const {
  return DecodeInput(MemoryInput(bytes), FixedMinimum(minWidth, minHeight), pixelLimit_, nameForErrors, observer, colour_);
}

DecodedPicture JpegDecoder::Decode(JpegByteStream& stream, const std::function<JpegSize(JpegSize)>& minimumFor,
                                   const std::filesystem::path& nameForErrors) const {
  Input input;
  input.stream = &stream;
  return DecodeInput(input, minimumFor, pixelLimit_, nameForErrors, nullptr, colour_);
}

}  // namespace pixaldo
