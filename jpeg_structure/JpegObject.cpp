// The segment table of a JPEG file, the EXIF thumbnail's location and the
// metadata lists of the metadata window.
#include "jpeg_structure/JpegObject.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <sstream>
#include <utility>

#include "exif/ExifData.h"
#include "iptc/IptcData.h"
#include "platform/ByteOrder.h"
#include "platform/FileReader.h"
#include "platform/FileSystem.h"
#include "platform/PhotoFile.h"
#include "xmp/XmpPacket.h"

namespace pixaldo {
namespace {

struct MarkerName {
  uint16_t Marker;
  const char* Name;
};

// The names as the metadata window shows them (spellings included).
constexpr std::array<MarkerName, 14> kMarkerNames{{
    {0xFFC0, "Start of frame (SOF)"},
    {0xFFC4, "Huffman table definition (DHT)"},
    {0xFFD8, "Start of image (SOI)"},
    {0xFFD9, "End of image (EOI)"},
    {0xFFDA, "Start of scan (SOS)"},
    {0xFFDB, "Quantization table definition (DQT)"},
    {0xFFDD, "Restart interoperability definition (DRI)"},
    {0xFFE0, "JFIF data (APP0)"},
    {0xFFE1, "EXIF data (APP1)"},
    {0xFFE2, "EXIF extended data (APP2)"},
    {0xFFED, "IPTC data (APP14)"},
    {0xFFEE, "Photoshop data (App14)"},
    {0xFFFE, "Comment data (COM)"},
    {0xFFFF, "Compressed image data"},
}};

// A tag value as a decimal integer; 0 when it is not one.
int64_t DecimalValue(const std::string& text) {
  int64_t value = 0;
  const char* begin = text.data();
  const char* end = text.data() + text.size();
  while (begin < end && *begin == ' ') ++begin;
  auto result = std::from_chars(begin, end, value);
  return result.ec == std::errc() ? value : 0;
}

}  // namespace

// ---- TTags ----

void TTags::Clear() {
  Names.clear();
  Values.clear();
}

void TTags::Add(const std::string& name, const std::string& value) {
  Names.push_back(name);
  Values.push_back(value);
}

int TTags::RowCount() const { return int(std::max<size_t>({1, Names.size(), Values.size()})); }

// An APP1 segment holds either the EXIF block or an XMP packet; the packet
// is named for what it is.
constexpr const char* kXmpSegmentName = "XMP data (APP1)";

std::string SegmentName(uint16_t marker) {
  for (const auto& row : kMarkerNames)
    if (row.Marker == marker) return row.Name;
  return "???";
}

std::string SegmentName(uint16_t marker, std::string_view head) {
  return marker == TJpegObject::kApp1 && IsXmpSegment(head) ? kXmpSegmentName : SegmentName(marker);
}

// ---- construction and loading ----

TJpegObject::TJpegObject(std::filesystem::path fileName, bool keepDate)
    : FileName(std::move(fileName)), KeepDate(keepDate), ImgData(std::make_unique<TimgData>(255)) {
  Load();
}

TJpegObject::TJpegObject(std::string bytes, std::filesystem::path fileName)
    : FileName(std::move(fileName)), ImgData(std::make_unique<TimgData>(255)) {
  data_ = std::move(bytes);
  ScanSegments();
  ReadMetadata();
}

TJpegObject::~TJpegObject() = default;

namespace {

// What an edit may add to the bytes held (a new EXIF block or thumbnail, the
// JFIF header) without their moving in memory: a large photo is held once.
constexpr size_t kRoomForEdits = 3 * 65536;

}  // namespace

void TJpegObject::Load() {
  // Opened again on every load: a save of this object has put a new file
  // under the name. The lock goes over to it without a moment unheld.
  photo_ = std::make_unique<PhotoFile>(FileName, KeepDate);
  constexpr uint64_t kMaxBytes = uint64_t(1) << 31;
  if (photo_->Size() > kMaxBytes) throw FileError(FileName, "the file is too large to be read");
  data_.clear();
  data_.shrink_to_fit();
  data_.reserve(size_t(photo_->Size()) + kRoomForEdits);
  data_.resize(size_t(photo_->Size()));
  data_.resize(photo_->Reader().ReadAt(0, data_.data(), data_.size()));
  ScanSegments();
  ImgData->Clear();
  ImgData->FileName = FileName;
  ImgData->FileDate = photo_->Date();
  ImgData->FileSize = int64_t(data_.size());
  ReadMetadata();
}

// From the bytes held, where they are.
void TJpegObject::ReadMetadata() {
  MemoryStreamBuffer held(data_);
  std::istream in(&held);
  if (ImgData->ReadJpegSegments(in)) LocateThumbnail();
}

namespace {

TJpegSegment MakeSegment(size_t number, uint16_t marker, int64_t offset, int64_t size, std::string_view head) {
  TJpegSegment segment;
  segment.Number = uint16_t(number);
  segment.Marker = marker;
  segment.Offset = offset;
  segment.Size = size;
  segment.Name = SegmentName(marker, head);
  if (marker != 0 && marker != TJpegObject::kData) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "%04X", unsigned(marker));
    segment.MarkerHex = hex;
  }
  return segment;
}

// Walks the marker segments by their lengths from SOI to SOS. The walk stops
// at the end of the data, at a length below 2 and when only the two slots for
// the data and EOI entries are left; the table then keeps what was found and
// has no data entry. A segment cut short by the end of the file is listed with
// the bytes that are there, so every entry lies inside the data. Only the
// marker and length fields, the last two bytes and the first bytes of each
// APP1 segment (the XMP identifier) are looked at, through `u16` (a
// big-endian value at a file position, nothing past the end) and `head`
// (up to that many bytes from a position, fewer at the end).
template <typename ReadU16At, typename ReadHead>
std::vector<TJpegSegment> WalkSegments(int64_t n, ReadU16At u16, ReadHead head) {
  std::vector<TJpegSegment> table;
  auto add = [&](uint16_t marker, int64_t offset, int64_t size) {
    const std::string first =
        marker == TJpegObject::kApp1 ? head(offset, size_t(std::min<int64_t>(size - 2, 2 + kXmpIdentifier.size()))) : "";
    table.push_back(MakeSegment(table.size() + 1, marker, offset, size, first));
  };
  if (u16(0) != TJpegObject::kSoi) return table;
  add(TJpegObject::kSoi, 0, 2);

  int64_t pos = 2;
  bool reachedScan = false;
  while (!reachedScan) {
    if (int(table.size()) >= TJpegObject::kSegmentSlots - 2) return table;
    auto marker = u16(pos);
    auto length = u16(pos + 2);
    if (!marker || !length || *length < 2) return table;
    int64_t size = std::min<int64_t>(int64_t(*length) + 2, n - pos);
    add(*marker, pos, size);
    pos += size;
    reachedScan = *marker == TJpegObject::kSos;
  }

  const int64_t dataStart = pos;
  bool endsWithEoi = n - dataStart >= 2 && u16(n - 2) == TJpegObject::kEoi;
  if (endsWithEoi) {
    add(TJpegObject::kData, dataStart, n - dataStart - 2);
    add(TJpegObject::kEoi, n - 2, 2);
  } else {
    add(TJpegObject::kData, dataStart, n - dataStart);
  }
  return table;
}

}  // namespace

void TJpegObject::ScanSegments() {
  Segments = WalkSegments(
      int64_t(data_.size()), [this](int64_t pos) { return ReadU16(data_, size_t(pos), true); },
      [this](int64_t pos, size_t count) { return ReadBytes(int64_t(count), pos + 2); });
  int exif = FindExifSegment();
  if (exif != 0) ExifSegment = Segment(exif);
}

std::vector<TJpegSegment> TJpegObject::ReadSegmentTable(const std::filesystem::path& fileName) {
  return ReadSegmentTable(FileReader(fileName));
}

std::vector<TJpegSegment> TJpegObject::ReadSegmentTable(const FileReader& file) {
  // Marker and length fields are read a few kilobytes at a time, so that
  // runs of small segments cost one read.
  constexpr size_t kPiece = 4096;
  std::string piece;
  int64_t pieceStart = 0;
  return WalkSegments(file.Size(), [&](int64_t pos) -> std::optional<uint16_t> {
    if (pos < pieceStart || pos + 2 > pieceStart + int64_t(piece.size())) {
      pieceStart = pos;
      piece = file.ReadAt(pos, kPiece);
    }
    return ReadU16(piece, size_t(pos - pieceStart), true);
  }, [&](int64_t pos, size_t count) { return file.ReadAt(pos + 2, count); });
}

int TJpegObject::FindSegment(uint16_t marker) const {
  for (const auto& segment : Segments)
    if (segment.Marker == marker) return segment.Number;
  return 0;
}

int TJpegObject::ExifSegmentIn(const std::vector<TJpegSegment>& segments) {
  for (const auto& segment : segments)
    if (segment.Marker == kApp1 && segment.Name != kXmpSegmentName) return segment.Number;
  return 0;
}

int TJpegObject::FindExifSegment() const { return ExifSegmentIn(Segments); }

std::string TJpegObject::ReadBytes(int64_t count, int64_t position) const {
  const int64_t n = int64_t(data_.size());
  if (count <= 0 || position < 0 || position >= n) return {};
  return data_.substr(size_t(position), size_t(std::min(count, n - position)));
}

std::string TJpegObject::GetSegmentBytes(uint16_t marker) const {
  int index = FindSegment(marker);
  if (index == 0) return {};
  const auto& segment = Segment(index);
  return ReadBytes(segment.Size, segment.Offset);
}

// ---- the EXIF thumbnail ----

void TJpegObject::LocateThumbnail() {
  ThumbIsJpeg = false;
  ThumbDataOffset = 0;
  ThumbDataLength = 0;
  ThumbLengthPos = 0;
  ThumbOffsetPos = 0;
  if (!ImgData->HasThumbnail() || !ImgData->ExifInfo) return;
  TImageInfo& info = *ImgData->ExifInfo;
  info.ParseThumbnail();
  info.ResetThumbCursor();
  TTagEntry entry;
  while (info.NextThumbTag(0, entry)) {
    switch (entry.Dataset) {
      case 0x0103:
        ThumbIsJpeg = entry.Value == "Jpeg";
        break;
      case 0x0201:
        ThumbDataOffset = DecimalValue(entry.Value) + ExifSegment.Offset + 10;
        ThumbOffsetPos = int32_t(ExifSegment.Offset + 1 + entry.ValuePos);
        break;
      case 0x0202:
        ThumbDataLength = uint16_t(DecimalValue(entry.Value));
        ThumbLengthPos = int32_t(ExifSegment.Offset + 1 + entry.ValuePos);
        break;
      default:
        break;
    }
  }
  BigEndian = info.BigEndian;
}

std::string TJpegObject::GetThumbnailBytes() const {
  if (!ThumbIsJpeg) return {};
  return ReadBytes(ThumbDataLength, ThumbDataOffset);
}

// ---- lists for the metadata window ----

void TJpegObject::FillExifLists() {
  ExifList.Clear();
  MakerList.Clear();
  ThumbList.Clear();
  TImageInfo* info = ImgData->ExifInfo.get();
  if (!info) return;
  TTagEntry entry;
  if (ImgData->HasExif()) {
    info->ResetTagCursor();
    while (info->NextTag(0, entry)) ExifList.Add(entry.Description, entry.Value);
    if (info->HasMakerNote) {
      info->ResetTagCursor();
      while (info->NextTag(1, entry)) MakerList.Add(entry.Description, entry.Value);
    }
  }
  if (ImgData->HasThumbnail()) {
    info->ResetThumbCursor();
    while (info->NextThumbTag(0, entry)) ThumbList.Add(entry.Description, entry.Value);
  }
}

void TJpegObject::FillIptcList() {
  IptcList.Clear();
  IptcList.Utf8 = true;
  if (!ImgData->HasIptc() || !ImgData->IptcInfo) return;
  TIPTCdata& iptc = *ImgData->IptcInfo;
  iptc.ParseContainerSegment();
  for (int32_t i = 0; i < iptc.Count(); ++i) {
    TTagEntry entry = iptc.GetTag(i);
    IptcList.Add(entry.Description, entry.Value);
  }
}

void TJpegObject::ReadComment() { Comment = ImgData->HasComment() ? ImgData->GetComment() : std::string(); }

}  // namespace pixaldo
