// Editing the bytes of a JPEG file: removing, inserting and replacing
// segments, the JFIF header, the two length fields of the EXIF thumbnail,
// saving, and the four edits of the metadata window.
#include <algorithm>
#include <string_view>
#include <utility>

#include "jpeg_structure/JpegObject.h"
#include "platform/ByteOrder.h"
#include "platform/FileSystem.h"

namespace pixaldo {
namespace {

// APP0 marker, length 16, "JFIF\0", version 1.02, dots per inch, 300 × 300, no thumbnail.
constexpr char kJfifHeader[18] = {'\xFF', '\xE0', '\x00', '\x10', 'J',    'F',    'I',    'F',    '\x00',
                                  '\x01', '\x02', '\x01', '\x01', '\x2C', '\x01', '\x2C', '\x00', '\x00'};

}  // namespace

void TJpegObject::WriteAndAdopt(std::string bytes) {
  WriteFileAtomic(FileName, bytes, KeepDate ? GetFileDate(FileName) : std::nullopt);
  data_ = std::move(bytes);
}

void TJpegObject::Save() { WriteAndAdopt(data_); }

void TJpegObject::SaveOrRestore(std::string before) {
  try {
    Save();
  } catch (...) {
    data_ = std::move(before);
    throw;
  }
}

bool TJpegObject::DeleteBytes(int64_t size, int64_t offset) {
  const int64_t n = int64_t(data_.size());
  offset = std::clamp<int64_t>(offset, 0, n);
  size = std::clamp<int64_t>(size, 0, n - offset);
  std::string edited = data_;
  edited.erase(size_t(offset), size_t(size));
  WriteAndAdopt(std::move(edited));
  return true;
}

bool TJpegObject::DeleteSegment(uint16_t marker) {
  int index = FindSegment(marker);
  if (index == 0) return false;
  return DeleteBytes(Segment(index).Size, Segment(index).Offset);
}

bool TJpegObject::InsertBytes(const std::string& bytes, int64_t position) {
  if (position < 1 || position > int64_t(data_.size())) return false;
  data_.insert(size_t(position - 1), bytes);
  return true;
}

bool TJpegObject::ReplaceBytes(const std::string& oldBytes, const std::string& newBytes) {
  if (oldBytes.empty()) return false;
  size_t at = data_.find(oldBytes);
  if (at == std::string::npos) return false;
  data_.replace(at, oldBytes.size(), newBytes);
  return true;
}

void TJpegObject::EnsureJfifHeader() {
  if (FindSegment(kApp0) == 0) InsertBytes(std::string(kJfifHeader, sizeof kJfifHeader), 3);
}

// Only where the file has an APP1 segment: with none, position 2 would be
// the first byte after SOI.
void TJpegObject::WriteApp1Length(uint16_t value) {
  if (ExifSegment.Marker == kApp1) PutU16(data_, size_t(ExifSegment.Offset + 2), value, true);
}

void TJpegObject::WriteThumbnailLength(uint32_t value) {
  if (ThumbLengthPos > 0) PutU32(data_, size_t(ThumbLengthPos), value, BigEndian);
}

// ---- the edits of the metadata window ----

// The segment goes and, when the file has no JFIF header, one is put after
// SOI; both in one write, so the file is never seen half-edited.
bool TJpegObject::DeleteExif() {
  int index = FindExifSegment();
  if (index == 0) return false;
  std::string before = data_;
  data_.erase(size_t(Segment(index).Offset), size_t(Segment(index).Size));
  EnsureJfifHeader();
  SaveOrRestore(std::move(before));
  return true;
}

bool TJpegObject::DeleteComment() { return DeleteSegment(kCom); }

bool TJpegObject::DeleteIptc() { return DeleteSegment(kApp13); }

bool TJpegObject::ImportExif(const std::filesystem::path& sourceFile) {
  std::string source;
  {
    TJpegObject sourceObject(sourceFile, false);
    const int index = sourceObject.FindExifSegment();
    if (index != 0) source = sourceObject.ReadBytes(sourceObject.Segment(index).Size, sourceObject.Segment(index).Offset);
  }
  if (source.empty()) return false;
  // A segment cut short by the end of its file would leave a length field
  // that runs into the picture.
  auto length = ReadU16(source, 2, true);
  if (!length || size_t(*length) + 2 != source.size())
    throw FileError(sourceFile, "its EXIF block is cut short and cannot be imported");

  const int exif = FindExifSegment();
  std::string target = exif != 0 ? ReadBytes(Segment(exif).Size, Segment(exif).Offset) : std::string();
  if (target.empty()) target = GetSegmentBytes(kApp0);
  std::string before = data_;
  if (!ReplaceBytes(target, source)) return false;
  SaveOrRestore(std::move(before));
  return true;
}

}  // namespace pixaldo
