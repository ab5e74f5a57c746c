#include "thumbnails/PngThumbnail.h"

#include <png.h>

#include <cstring>
#include <stdexcept>

namespace pixaldo {
namespace {

// Text chunks of a thumbnail are a few short keys; anything much larger is
// no thumbnail's.
constexpr png_alloc_size_t kMaxChunkBytes = 1 << 20;
constexpr png_uint_32 kMaxTextChunks = 64;

struct ByteSource {
  std::string_view bytes;
  size_t position = 0;
};

void ReadBytes(png_structp png, png_bytep out, png_size_t count) {
  auto* source = static_cast<ByteSource*>(png_get_io_ptr(png));
  if (count > source->bytes.size() - source->position) png_error(png, "truncated");
  std::memcpy(out, source->bytes.data() + source->position, count);
  source->position += count;
}

void WriteBytes(png_structp png, png_bytep data, png_size_t count) {
  static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), count);
}

void Flush(png_structp) {}
void Quiet(png_structp, png_const_charp) {}
// Back to the setjmp of the call, without libpng's message on stderr.
[[noreturn]] void Fail(png_structp png, png_const_charp) { png_longjmp(png, 1); }

// libpng state stays in these functions: no C++ object with a destructor
// lives between their setjmp and a longjmp.
bool WritePng(const RgbImage& image, png_text* texts, int textCount, png_bytep* rows, std::string* out) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, Fail, Quiet);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_set_write_fn(png, out, WriteBytes, Flush);
  png_set_compression_level(png, 1);
  png_set_IHDR(png, info, png_uint_32(image.width), png_uint_32(image.height), 8, PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_text(png, info, texts, textCount);
  png_write_info(png, info);
  png_write_image(png, rows);
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return true;
}

struct Reader {
  png_structp png = nullptr;
  png_infop info = nullptr;
  png_infop end = nullptr;
  ByteSource source;
};

void CollectTexts(const Reader& reader, png_infop info, std::vector<PngText>& into) {
  png_textp texts = nullptr;
  int count = 0;
  png_get_text(reader.png, info, &texts, &count);
  for (int i = 0; i < count; ++i)
    into.push_back({texts[i].key ? texts[i].key : "",
                    std::string(texts[i].text ? texts[i].text : "", texts[i].text ? texts[i].text_length : 0)});
}

bool ReadHeader(Reader& reader, int maxSide) {
  if (setjmp(png_jmpbuf(reader.png))) return false;
  png_set_read_fn(reader.png, &reader.source, ReadBytes);
  png_set_user_limits(reader.png, png_uint_32(maxSide), png_uint_32(maxSide));
  png_set_chunk_malloc_max(reader.png, kMaxChunkBytes);
  png_set_chunk_cache_max(reader.png, kMaxTextChunks);
  png_read_info(reader.png, reader.info);
  png_set_expand(reader.png);
  png_set_strip_16(reader.png);
  png_set_strip_alpha(reader.png);
  png_set_gray_to_rgb(reader.png);
  png_set_interlace_handling(reader.png);
  png_read_update_info(reader.png, reader.info);
  return png_get_channels(reader.png, reader.info) == 3 && png_get_bit_depth(reader.png, reader.info) == 8;
}

bool ReadPixels(Reader& reader, png_bytep* rows) {
  if (setjmp(png_jmpbuf(reader.png))) return false;
  png_read_image(reader.png, rows);
  png_read_end(reader.png, reader.end);
  return true;
}

}  // namespace

std::optional<std::string> PngThumbnail::Text(std::string_view key) const {
  for (const PngText& text : texts)
    if (text.key == key) return text.value;
  return std::nullopt;
}

std::string EncodePng(const RgbImage& image, const std::vector<PngText>& texts) {
  std::vector<png_text> chunks(texts.size());
  for (size_t i = 0; i < texts.size(); ++i) {
    chunks[i].compression = PNG_TEXT_COMPRESSION_NONE;
    chunks[i].key = const_cast<char*>(texts[i].key.c_str());
    chunks[i].text = const_cast<char*>(texts[i].value.c_str());
    chunks[i].text_length = texts[i].value.size();
  }
  std::vector<png_bytep> rows(size_t(image.height));
  for (int y = 0; y < image.height; ++y) rows[size_t(y)] = const_cast<png_bytep>(image.Row(y));
  std::string out;
  if (image.Empty() || !WritePng(image, chunks.data(), int(chunks.size()), rows.data(), &out))
    throw std::runtime_error("cannot encode the thumbnail as PNG");
  return out;
}

std::optional<PngThumbnail> DecodePng(std::string_view bytes, int maxSide, bool withPixels) {
  if (bytes.size() < 8 || png_sig_cmp(reinterpret_cast<png_const_bytep>(bytes.data()), 0, 8) != 0)
    return std::nullopt;
  Reader reader;
  reader.source.bytes = bytes;
  reader.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, Fail, Quiet);
  if (!reader.png) return std::nullopt;
  reader.info = png_create_info_struct(reader.png);
  reader.end = png_create_info_struct(reader.png);
  std::optional<PngThumbnail> result;
  if (reader.info && reader.end && ReadHeader(reader, maxSide)) {
    PngThumbnail thumbnail;
    thumbnail.width = int(png_get_image_width(reader.png, reader.info));
    thumbnail.height = int(png_get_image_height(reader.png, reader.info));
    CollectTexts(reader, reader.info, thumbnail.texts);
    bool whole = true;
    if (withPixels) {
      thumbnail.image.width = thumbnail.width;
      thumbnail.image.height = thumbnail.height;
      thumbnail.image.pixels.resize(thumbnail.image.Stride() * size_t(thumbnail.height));
      std::vector<png_bytep> rows(size_t(thumbnail.height));
      for (int y = 0; y < thumbnail.height; ++y) rows[size_t(y)] = thumbnail.image.Row(y);
      whole = ReadPixels(reader, rows.data());
      if (whole) CollectTexts(reader, reader.end, thumbnail.texts);
    }
    if (whole) result = std::move(thumbnail);
  }
  png_destroy_read_struct(&reader.png, &reader.info, &reader.end);
  return result;
}

}  // namespace pixaldo
