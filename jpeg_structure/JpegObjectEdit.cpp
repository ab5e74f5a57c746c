// Editing the bytes of a JPEG file: removing, inserting and replacing
// segments, the JFIF header, the two length fields of the EXIF thumbnail,
// saving, and the four edits of the metadata window.
#include <algorithm>
#include <string_view>
#include <utility>

#include "jpeg_structure/JpegObject.h"
#include "platform/ByteOrder.h"
#include "platform/FileReader.h"
#include "platform/PhotoFile.h"
#include "platform/FileSystem.h"

namespace pixaldo {
namespace {

// APP0 marker, length 16, "JFIF\0", version 1.02, dots per inch, 300 × 300, no thumbnail.
constexpr char kJfifHeader[18] = {'\xFF', '\xE0', '\x00', '\x10', 'J',    'F',    'I',    'F',    '\x00',
                                  '\x01', '\x02', '\x01', '\x01', '\x2C', '\x01', '\x2C', '\x00', '\x00'};

}  // namespace

void TJpegObject::Save() { SaveWithEdits({}); }

void TJpegObject::RequireJpeg() const {
  if (Segments.empty() || Segments.front().Marker != kSoi) throw FileError(FileName, "not a JPEG file");
}

void TJpegObject::ApplyEdits(const std::vector<ByteEdit>& edits) {
  // From the last to the first, so that the offsets of the others stay true;
  // in place, as the bytes held have room for what an edit adds.
  for (auto edit = edits.rbegin(); edit != edits.rend(); ++edit)
    data_.replace(size_t(edit->offset), size_t(edit->size), edit->bytes);
}

// The bytes held are written in pieces around the edits, so that a large
// photo is never copied in memory; they take the edits only once the new
// file is in place, and stay as they were when the write fails.
void TJpegObject::SaveWithEdits(const std::vector<ByteEdit>& edits) {
  AtomicFileWriter writer(FileName);
  if (KeepDate) {
    if (const std::optional<FileTime> date = photo_ ? std::optional(photo_->Date()) : GetFileDate(FileName))
      writer.KeepDate(*date);
  }
  const std::string_view held(data_);
  size_t at = 0;
  for (const ByteEdit& edit : edits) {
    writer.Write(held.substr(at, size_t(edit.offset) - at));
    writer.Write(edit.bytes);
    at = size_t(edit.offset + edit.size);
  }
  writer.Write(held.substr(at));
  writer.Commit();
  ApplyEdits(edits);
}

bool TJpegObject::DeleteBytes(int64_t size, int64_t offset) {
  const int64_t n = int64_t(data_.size());
  offset = std::clamp<int64_t>(offset, 0, n);
  size = std::clamp<int64_t>(size, 0, n - offset);
  SaveWithEdits({{offset, size, {}}});
  return true;
}

bool TJpegObject::DeleteSegment(uint16_t marker) {
  RequireJpeg();
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

// ---- the edits of the metadata window ----

// The segment goes and, when the file has no JFIF header, one is put after
// SOI; both in one write, so the file is never seen half-edited.
bool TJpegObject::DeleteExif() {
  RequireJpeg();
  int index = FindExifSegment();
  if (index == 0) return false;
  std::vector<ByteEdit> edits;
  if (FindSegment(kApp0) == 0) edits.push_back({2, 0, std::string(kJfifHeader, sizeof kJfifHeader)});
  edits.push_back({Segment(index).Offset, Segment(index).Size, {}});
  SaveWithEdits(edits);
  return true;
}

bool TJpegObject::DeleteComment() { return DeleteSegment(kCom); }

bool TJpegObject::DeleteIptc() { return DeleteSegment(kApp13); }

bool TJpegObject::ImportExif(const std::filesystem::path& sourceFile) {
  RequireJpeg();
  // Only the source's segment is read, not its picture.
  std::string source;
  {
    const FileReader file(sourceFile);
    const std::vector<TJpegSegment> segments = ReadSegmentTable(file);
    if (const int index = ExifSegmentIn(segments); index != 0) {
      const TJpegSegment& segment = segments[size_t(index) - 1];
      source = file.ReadAt(segment.Offset, size_t(segment.Size));
    }
  }
  if (source.empty()) return false;
  // A segment cut short by the end of its file would leave a length field
  // that runs into the picture.
  auto length = ReadU16(source, 2, true);
  if (!length || size_t(*length) + 2 != source.size())
    throw FileError(sourceFile, "its EXIF block is cut short and cannot be imported");

  int index = FindExifSegment();
  if (index == 0) index = FindSegment(kApp0);
  if (index == 0) return false;
  SaveWithEdits({{Segment(index).Offset, Segment(index).Size, std::move(source)}});
  return true;
}

}  // namespace pixaldo
