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

std::optional<std::vector<TJpegObject::ByteEdit>> TJpegObject::ThumbnailEdits(const std::string& newThumbnail) const {
  if (!ThumbnailInsideExif()) throw FileError(FileName, "the EXIF thumbnail does not lie inside the EXIF block");
  const int64_t blockEnd = ExifSegment.Offset + ExifSegment.Size;
  const int64_t oldEnd = ThumbDataOffset + ThumbDataLength;
  const int64_t newSize = int64_t(newThumbnail.size());
  auto lengthValue = [&](uint32_t value) {
    std::string bytes(4, '\0');
    PutU32(bytes, 0, value, BigEndian);
    return bytes;
  };
  auto blockLength = [&](int64_t length) {
    std::string bytes(2, '\0');
    PutU16(bytes, 0, uint16_t(length), true);
    return bytes;
  };
  // Ordered by offset: the APP1 length, then the two values in the thumbnail
  // directory in the order they are stored, then the thumbnail's bytes.
  std::vector<ByteEdit> edits;
  auto finish = [&](std::vector<ByteEdit> data, int64_t newBlockLength, std::optional<uint32_t> newOffset) {
    edits.push_back({ExifSegment.Offset + 2, 2, blockLength(newBlockLength)});
    std::vector<ByteEdit> values{{ThumbLengthPos, 4, lengthValue(uint32_t(newSize))}};
    if (newOffset) values.push_back({ThumbOffsetPos, 4, lengthValue(*newOffset)});
    std::sort(values.begin(), values.end(), [](const ByteEdit& a, const ByteEdit& b) { return a.offset < b.offset; });
    edits.insert(edits.end(), values.begin(), values.end());
    edits.insert(edits.end(), std::make_move_iterator(data.begin()), std::make_move_iterator(data.end()));
    return edits;
  };
  const int64_t oldBlockLength = ExifSegment.Size - 2;
  // The thumbnail ends the block: nothing after it can move.
  if (oldEnd == blockEnd) {
    const int64_t length = oldBlockLength + newSize - ThumbDataLength;
    if (length > 0xFFFF) return std::nullopt;
    return finish({{ThumbDataOffset, ThumbDataLength, newThumbnail}}, length, std::nullopt);
  }
  // Something follows it: it stays where it is. The new thumbnail takes the
  // old one's place when it fits there (the rest cleared), else it goes to
  // the end of the block and the old place is cleared.
  if (newSize <= ThumbDataLength) {
    std::string bytes = newThumbnail + std::string(size_t(ThumbDataLength - newSize), '\0');
    return finish({{ThumbDataOffset, ThumbDataLength, std::move(bytes)}}, oldBlockLength, std::nullopt);
  }
  const int64_t tiffStart = ExifSegment.Offset + 10;
  const bool offsetStored = ThumbOffsetPos >= tiffStart && ThumbOffsetPos + 4 <= ThumbDataOffset &&
                            std::abs(ThumbOffsetPos - ThumbLengthPos) >= 4 &&
                            ReadU32(data_, size_t(ThumbOffsetPos), BigEndian) == uint32_t(ThumbDataOffset - tiffStart);
  if (!offsetStored || oldBlockLength + newSize > 0xFFFF) return std::nullopt;
  return finish({{ThumbDataOffset, ThumbDataLength, std::string(ThumbDataLength, '\0')}, {blockEnd, 0, newThumbnail}},
                oldBlockLength + newSize, uint32_t(blockEnd - tiffStart));
}

std::vector<TJpegObject::ByteEdit> TJpegObject::ThumbnailRemoval() const {
  const bool last = ThumbDataOffset + ThumbDataLength == ExifSegment.Offset + ExifSegment.Size;
  std::string bytes(4, '\0');
  std::vector<ByteEdit> edits;
  if (last) {
    std::string blockLength(2, '\0');
    PutU16(blockLength, 0, uint16_t(ExifSegment.Size - 2 - ThumbDataLength), true);
    edits.push_back({ExifSegment.Offset + 2, 2, blockLength});
  }
  edits.push_back({ThumbLengthPos, 4, bytes});
  edits.push_back({ThumbDataOffset, ThumbDataLength, last ? std::string() : std::string(ThumbDataLength, '\0')});
  return edits;
}

void TJpegObject::SaveNewThumbnail(const std::string& thumbnail) {
  const std::optional<std::vector<ByteEdit>> edits = ThumbnailEdits(thumbnail);
  if (!edits)
    throw FileError(FileName, "the new thumbnail (" + std::to_string(thumbnail.size()) +
                                  " bytes) fits neither in the old one's place nor into the EXIF block of at most "
                                  "65,535 bytes; the old thumbnail was kept and the file left unchanged");
  SaveWithEdits(*edits);
}

bool TJpegObject::ReplaceThumbnail(const std::filesystem::path& fileName) {
  RequireJpeg();
  if (!ImgData->HasExif() || !ImgData->HasThumbnail() || GetThumbnailBytes().empty()) return false;
  SaveNewThumbnail(ReadWholeFile(fileName));
  return true;
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

std::optional<int> TJpegObject::RegeneratedThumbnailSide() const {
  const std::optional<int> maxSide = StoredThumbnailSide();
  if (!maxSide || !ImgData->HasExif() || GetThumbnailBytes().empty()) return std::nullopt;
  return maxSide;
}

TJpegObject::ThumbnailRefresh TJpegObject::RegenerateThumbnail(const ThumbnailPicture* ready) {
  const std::optional<int> maxSide = RegeneratedThumbnailSide();
  if (!maxSide) return ThumbnailRefresh::None;
  if (!ThumbnailInsideExif()) return ThumbnailRefresh::Kept;
  std::vector<int> sides{*maxSide};
  while (sides.back() * 3 / 4 >= kSmallestThumbnailSide) sides.push_back(sides.back() * 3 / 4);
  for (int side : sides) {
    for (int quality : kThumbnailQualities) {
      if (const auto edits = ThumbnailEdits(MakeThumbnailBytes(side, quality, ready))) {
        ApplyEdits(*edits);
        return ThumbnailRefresh::Replaced;
      }
    }
  }
  ApplyEdits(ThumbnailRemoval());
  return ThumbnailRefresh::Removed;
}

bool TJpegObject::RestoreThumbnail() {
  RequireJpeg();
  const std::optional<int> maxSide = StoredThumbnailSide();
  if (!maxSide || !ImgData->HasExif() || GetThumbnailBytes().empty()) return false;
  std::string thumbnail;
  try {
    thumbnail = MakeThumbnailBytes(*maxSide, 80);
  } catch (const FileError& failure) {
    throw FileError(FileName, "cannot make the new thumbnail: " + failure.reason());
  }
  SaveNewThumbnail(thumbnail);
  return true;
}

bool RestoreThumbnailOfFile(const std::filesystem::path& file, bool keepDate) {
  TJpegObject object(file, keepDate);
  return object.RestoreThumbnail();
}

}  // namespace pixaldo
