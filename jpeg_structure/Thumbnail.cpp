// Regenerating the EXIF thumbnail from the picture: size, scaled copy,
// write-back into the EXIF block with both length fields corrected.
#include <algorithm>
#include <climits>
#include <cmath>
#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

#include <jpeglib.h>

#include "exif/ExifData.h"
#include "jpeg_structure/JpegObject.h"
#include "photo_view/JpegDecoder.h"
#include "photo_view/Resampler.h"
#include "platform/ByteOrder.h"
#include "platform/FileSystem.h"

namespace pixaldo {
namespace {

// A thumbnail has to fit into the EXIF block (at most 65,535 bytes), so a
// stored one claiming a longer side than this is damaged, not a thumbnail.
constexpr int kMaxThumbnailSide = 1024;
constexpr uint64_t kThumbnailPixelLimit = uint64_t(kMaxThumbnailSide) * kMaxThumbnailSide * 4;
// A new thumbnail that does not fit is tried at these qualities, then at
// shorter sides down to this one.
constexpr int kThumbnailQualities[] = {80, 60, 40, 25};
constexpr int kSmallestThumbnailSide = 32;

struct EncoderError {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

void EncoderErrorExit(j_common_ptr info) {
  auto* error = reinterpret_cast<EncoderError*>(info->err);
  info->err->format_message(info, error->message);
  std::longjmp(error->jump, 1);
}

// libjpeg state lives here only (no C++ objects between setjmp and longjmp).
bool EncodeWithLibjpeg(const RgbImage& image, int quality, unsigned char** buffer, unsigned long* size,
                       EncoderError& error) {
  jpeg_compress_struct info{};
  info.err = jpeg_std_error(&error.manager);
  error.manager.error_exit = EncoderErrorExit;
  if (setjmp(error.jump)) {
    jpeg_destroy_compress(&info);
    return false;
  }
  jpeg_create_compress(&info);
  jpeg_mem_dest(&info, buffer, size);
  info.image_width = JDIMENSION(image.width);
  info.image_height = JDIMENSION(image.height);
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, quality, TRUE);
  info.write_JFIF_header = FALSE;  // the thumbnail starts with SOI and the tables
  info.write_Adobe_marker = FALSE;
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(image.Row(int(info.next_scanline)));
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  return true;
}

// A baseline JPEG of the image without APP0.
std::string EncodeBaselineJpeg(const RgbImage& image, int quality, const std::filesystem::path& nameForErrors) {
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  EncoderError error{};
  bool done = EncodeWithLibjpeg(image, quality, &buffer, &size, error);
  std::string bytes = done && buffer ? std::string(reinterpret_cast<char*>(buffer), size) : std::string();
  std::free(buffer);
  if (!done) throw FileError(nameForErrors, std::string("cannot encode the thumbnail: ") + error.message);
  return bytes;
}

// Removes the file when it goes out of scope, whatever happened.
class RemoveOnExit {
 public:
  explicit RemoveOnExit(std::filesystem::path path) : path_(std::move(path)) {}
  ~RemoveOnExit() {
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
  }
  RemoveOnExit(const RemoveOnExit&) = delete;
  RemoveOnExit& operator=(const RemoveOnExit&) = delete;

 private:
  std::filesystem::path path_;
};

// The size of a new thumbnail of the picture; a side that would round to 0
// on an extremely narrow picture becomes 1.
JpegSize ThumbnailTarget(int maxSide, JpegSize full) {
  const TJpegObject::Size2 size = TJpegObject::ThumbnailSize(maxSide, full.width, full.height);
  return {std::max(size.Width, 1), std::max(size.Height, 1)};
}

RgbImage ScaleDecoded(const DecodedPicture& decoded, JpegSize target, const std::filesystem::path& name) {
  RgbImage scaled = Resampler::Resample(decoded.image, target.width, target.height, StretchFilter::Linear);
  if (scaled.Empty()) throw FileError(name, "cannot scale the picture for its thumbnail");
  return scaled;
}

}  // namespace

TJpegObject::Size2 TJpegObject::ThumbnailSize(int maxSide, int width, int height) {
  if (width <= 0 || height <= 0) return {};
  // Round to nearest with halves to even (the default floating-point mode).
  auto scaled = [&](int side, int other) {
    double exact = double(int64_t(8) * maxSide * side) / double(other);
    return int(int64_t(std::nearbyint(exact)) / 8);
  };
  if (height < width) return {maxSide, scaled(height, width)};
  return {scaled(width, height), maxSide};
}

std::optional<RgbImage> TJpegObject::GetThumbnailImage() const {
  std::string bytes = GetThumbnailBytes();
  if (bytes.empty()) return std::nullopt;
  JpegDecoder decoder;
  decoder.SetPixelLimit(kThumbnailPixelLimit);
  try {
    return decoder.Decode(bytes, INT_MAX, INT_MAX, FileName).image;
  } catch (const FileError&) {
    return std::nullopt;  // a damaged thumbnail is shown as none
  }
}

// The picture is decoded at the smallest DCT scale that still gives at least
// the thumbnail's size, then resampled to it.
std::string TJpegObject::MakeThumbnailBytes(int maxSide, int quality, const ThumbnailPicture* ready) const {
  if (ready && ready->side == maxSide) return EncodeBaselineJpeg(ready->image, quality, FileName);
  const std::string& picture = data_;
  JpegDecoder decoder;
  const JpegSize target = ThumbnailTarget(maxSide, decoder.ReadSize(picture, FileName));
  const DecodedPicture decoded = decoder.Decode(picture, target.width, target.height, FileName);
  return EncodeBaselineJpeg(ScaleDecoded(decoded, target, FileName), quality, FileName);
}

TJpegObject::ThumbnailPicture TJpegObject::ScaleForThumbnail(JpegByteStream& stream, int side,
                                                             const std::filesystem::path& nameForErrors) {
  const DecodedPicture decoded =
      JpegDecoder().Decode(stream, [side](JpegSize full) { return ThumbnailTarget(side, full); }, nameForErrors);
  return {side, ScaleDecoded(decoded, ThumbnailTarget(side, decoded.fullSize), nameForErrors)};
}

void TJpegObject::MakeThumbnailFile(const std::filesystem::path& fileName, int maxSide, int quality) {
  WriteFileAtomic(fileName, MakeThumbnailBytes(maxSide, quality));
}

// The old thumbnail must lie inside the first APP1 segment, after the value
// that stores its length, and that segment must be complete; otherwise the
// length fields could not describe the result.
bool TJpegObject::ThumbnailInsideExif() const {
  if (ExifSegment.Marker != kApp1 || ThumbDataLength == 0) return false;
  auto declared = ReadU16(data_, size_t(ExifSegment.Offset + 2), true);
  if (!declared || int64_t(*declared) + 2 != ExifSegment.Size) return false;
  const int64_t begin = ExifSegment.Offset + 10, end = ExifSegment.Offset + ExifSegment.Size;
  return ThumbLengthPos >= begin && int64_t(ThumbLengthPos) + 4 <= ThumbDataOffset && ThumbDataOffset >= begin &&
         ThumbDataOffset + ThumbDataLength <= end;
}

// The new bytes go exactly where the located thumbnail lies (not wherever
// the same bytes first occur), so the two length fields stay true.
bool TJpegObject::PutThumbnailBytes(const std::string& newThumbnail) {
  if (!ImgData->HasExif() || !ImgData->HasThumbnail()) return false;
  const std::string old = GetThumbnailBytes();
  if (old.empty()) return false;
  if (!ThumbnailInsideExif()) throw FileError(FileName, "the EXIF thumbnail does not lie inside the EXIF block");
  const int64_t newLength = ExifSegment.Size - 2 + int64_t(newThumbnail.size()) - int64_t(old.size());
  if (newLength > 0xFFFF)
    throw FileError(FileName, "the new thumbnail would make the EXIF block longer than 65,535 bytes; "
                              "the file was left unchanged");
  data_.replace(size_t(ThumbDataOffset), old.size(), newThumbnail);
  WriteThumbnailLength(uint32_t(newThumbnail.size()));
  WriteApp1Length(uint16_t(newLength));
  return true;
}

bool TJpegObject::ReplaceThumbnailBytes(const std::string& newThumbnail) {
  std::string before = data_;
  if (!PutThumbnailBytes(newThumbnail)) return false;
  SaveOrRestore(std::move(before));
  return true;
}

bool TJpegObject::ReplaceThumbnail(const std::filesystem::path& fileName) {
  if (!ImgData->HasExif() || !ImgData->HasThumbnail()) return false;
  return ReplaceThumbnailBytes(ReadWholeFile(fileName));
}

std::optional<int> TJpegObject::StoredThumbnailSide() const {
  if (!ImgData->HasThumbnail()) return std::nullopt;
  const std::string old = GetThumbnailBytes();
  if (old.empty()) return std::nullopt;
  JpegSize oldSize;
  try {
    oldSize = JpegDecoder().ReadSize(old, FileName);
  } catch (const FileError&) {
    return std::nullopt;  // the stored thumbnail is no readable JPEG
  }
  const int maxSide = std::max(oldSize.width, oldSize.height);
  if (maxSide > kMaxThumbnailSide)
    throw FileError(FileName, "the EXIF thumbnail claims a size of " + std::to_string(oldSize.width) + "x" +
                                  std::to_string(oldSize.height) + ", too large for a thumbnail");
  return maxSide;
}

int64_t TJpegObject::ThumbnailRoom() const {
  if (!ThumbnailInsideExif()) throw FileError(FileName, "the EXIF thumbnail does not lie inside the EXIF block");
  return int64_t(0xFFFF) - (ExifSegment.Size - 2) + ThumbDataLength;
}

std::optional<int> TJpegObject::RegeneratedThumbnailSide() const {
  const std::optional<int> maxSide = StoredThumbnailSide();
  if (!maxSide || !ImgData->HasExif() || GetThumbnailBytes().empty()) return std::nullopt;
  return maxSide;
}

TJpegObject::ThumbnailRefresh TJpegObject::RegenerateThumbnail(const ThumbnailPicture* ready) {
  const std::optional<int> maxSide = RegeneratedThumbnailSide();
  if (!maxSide) return ThumbnailRefresh::None;
  const int64_t room = ThumbnailRoom();
  std::vector<int> sides{*maxSide};
  while (sides.back() * 3 / 4 >= kSmallestThumbnailSide) sides.push_back(sides.back() * 3 / 4);
  for (int side : sides) {
    for (int quality : kThumbnailQualities) {
      const std::string thumbnail = MakeThumbnailBytes(side, quality, ready);
      if (int64_t(thumbnail.size()) > room) continue;
      PutThumbnailBytes(thumbnail);
      return ThumbnailRefresh::Replaced;
    }
  }
  PutThumbnailBytes({});
  return ThumbnailRefresh::Removed;
}

bool TJpegObject::RestoreThumbnail(const std::filesystem::path& temporaryDirectory) {
  const std::optional<int> maxSide = StoredThumbnailSide();
  if (!maxSide) return false;

  const std::filesystem::path directory =
      temporaryDirectory.empty() ? std::filesystem::temp_directory_path() : temporaryDirectory;
  // Failures of the temporary thumbnail are reported under the photo's name:
  // the user never heard of the temporary file.
  std::filesystem::path temporary;
  try {
    temporary = MakeTemporaryFile(directory, "pixaldo-thumbnail-");
  } catch (const FileError& failure) {
    throw FileError(FileName, "cannot make the new thumbnail: " + failure.reason());
  }
  RemoveOnExit removeTemporary(temporary);
  try {
    MakeThumbnailFile(temporary, *maxSide, 80);
  } catch (const FileError& failure) {
    throw FileError(FileName, "cannot make the new thumbnail: " + failure.reason());
  }
  return ReplaceThumbnail(temporary);
}

bool RestoreThumbnailOfFile(const std::filesystem::path& file, bool keepDate) {
  TJpegObject object(file, keepDate);
  return object.RestoreThumbnail();
}

}  // namespace pixaldo
