// Reading a file's metadata segments and walking the EXIF directories.
#include "exif/ExifData.h"

#include <algorithm>
#include <cmath>
#include <istream>
#include <limits>
#include <stdexcept>

#include "exif/ExifFormat.h"
#include "exif/ExifTags.h"
#include "exif/MakerNotes.h"
#include "iptc/IptcData.h"
#include "platform/ByteOrder.h"
#include "platform/FileReader.h"
#include "xmp/XmpPacket.h"

namespace pixaldo {

namespace {

constexpr uint32_t kMarkerApp0 = 0xE0;
constexpr uint32_t kMarkerApp1 = 0xE1;
constexpr uint32_t kMarkerApp13 = 0xED;
constexpr uint32_t kMarkerComment = 0xFE;
constexpr uint32_t kMarkerEndOfImage = 0xD9;
constexpr uint32_t kMarkerStartOfScan = 0xDA;

constexpr uint16_t kTagImageWidth = 0x0100;
constexpr uint16_t kTagImageLength = 0x0101;
constexpr uint16_t kTagMake = 0x010F;
constexpr uint16_t kTagModel = 0x0110;
constexpr uint16_t kTagDateTime = 0x0132;
constexpr uint16_t kTagSubIfds = 0x014A;
constexpr uint16_t kTagExifOffset = 0x8769;
constexpr uint16_t kTagGpsInfo = 0x8825;
constexpr uint16_t kTagExifVersion = 0x9000;
constexpr uint16_t kTagDateTimeOriginal = 0x9003;
constexpr uint16_t kTagMakerNote = 0x927C;
constexpr uint16_t kTagUserComment = 0x9286;
constexpr uint16_t kTagExifImageWidth = 0xA002;
constexpr uint16_t kTagExifImageLength = 0xA003;
constexpr uint16_t kTagInteroperabilityOffset = 0xA005;

constexpr int kMaxDirectoryDepth = 8;
constexpr int64_t kTiffBlockLength = 256000;
// How much of a TIFF file is read at most (its directory may lie anywhere).
constexpr size_t kTiffHeadLimit = size_t(64) << 20;
constexpr int64_t kTiffOffsetBase = -7;
constexpr int64_t kExifOffsetBase = 9;

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  return true;
}

int32_t ClampToInt32(int64_t v) {
  return static_cast<int32_t>(
      std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

// A table row without its label, code list and format: what an entry whose
// value text is not made keeps of it (its name still finds it, its raw bytes
// still give numbers).
TTagEntry NameOnly(const TTagEntry& row) {
  TTagEntry entry;
  entry.Group = row.Group;
  entry.Record = row.Record;
  entry.Dataset = row.Dataset;
  entry.Name = row.Name;
  entry.Formatter = row.Formatter;
  return entry;
}

// Rounds to the nearest integer, halves to the even neighbour.
int32_t RoundEven(double v) {
  if (!std::isfinite(v)) return 0;
  double r = std::nearbyint(v);
  if (r >= 2147483647.0) return std::numeric_limits<int32_t>::max();
  if (r <= -2147483648.0) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(r);
}

// Leading and trailing blanks and control characters removed.
std::string TrimControls(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return std::string(s.substr(b, e - b));
}

TTagEntry EmptyEntry() { return TTagEntry{}; }

// Tags the walk acts upon whatever table row they have.
bool IsSpecialTag(uint16_t tag) {
  switch (tag) {
    case kTagImageWidth: case kTagImageLength: case kTagMake: case kTagModel: case kTagDateTime:
    case kTagSubIfds: case kTagExifOffset: case kTagGpsInfo: case kTagExifVersion: case kTagDateTimeOriginal:
    case kTagMakerNote: case kTagUserComment: case kTagExifImageWidth: case kTagExifImageLength:
    case kTagInteroperabilityOffset:
      return true;
    default:
      return false;
  }
}

}  // namespace

// ---------------------------------------------------------------------------
// tEndInd

std::optional<uint16_t> tEndInd::Read16(int64_t pos) const {
  if (pos < 1) return std::nullopt;
  return ReadU16(Buffer, static_cast<size_t>(pos - 1), BigEndian);
}

std::optional<int32_t> tEndInd::Read32(int64_t pos) const {
  if (pos < 1) return std::nullopt;
  return ReadS32(Buffer, static_cast<size_t>(pos - 1), BigEndian);
}

// ---------------------------------------------------------------------------
// TImageInfo: construction, lookups, cursors

TImageInfo::TImageInfo(TimgData* container, int32_t listMode) : Container(container), ListMode(listMode) {
  CompleteDescriptions();
  Tags.reserve(64);  // a camera file's usual count: no regrowing while reading
}

TImageInfo::~TImageInfo() = default;

int32_t TImageInfo::LookupIndex(std::string_view name) const {
  for (size_t i = 0; i < Tags.size(); ++i)
    if (EqualNoCase(Tags[i].Name, name)) return static_cast<int32_t>(i);
  return -1;
}

std::string TImageInfo::ValueOf(std::string_view name) const {
  int32_t i = LookupIndex(name);
  return i < 0 ? std::string() : Tags[i].Value;
}

TTagEntry TImageInfo::GetTagByName(std::string_view name) const {
  int32_t i = LookupIndex(name);
  return i < 0 ? EmptyEntry() : Tags[i];
}

int32_t TImageInfo::LookupDescription(std::string_view description) const {
  for (size_t i = 0; i < Tags.size(); ++i)
    if (EqualNoCase(Tags[i].Description, description)) return static_cast<int32_t>(i);
  return -1;
}

TTagEntry TImageInfo::GetTagByDescription(std::string_view description) const {
  int32_t i = LookupDescription(description);
  return i < 0 ? EmptyEntry() : Tags[i];
}

namespace {
bool NextInList(const std::vector<TTagEntry>& list, int32_t& cursor, int32_t group, TTagEntry& entry) {
  for (size_t i = static_cast<size_t>(std::max(cursor, 0)); i < list.size(); ++i) {
    if (list[i].Group == group) {
      entry = list[i];
      cursor = static_cast<int32_t>(i + 1);
      return true;
    }
  }
  entry = EmptyEntry();
  return false;
}
}  // namespace

bool TImageInfo::NextTag(int32_t group, TTagEntry& entry) { return NextInList(Tags, TagCursor, group, entry); }

bool TImageInfo::NextThumbTag(int32_t group, TTagEntry& entry) {
  return NextInList(ThumbTags, ThumbCursor, group, entry);
}

double TImageInfo::NumberOf(std::string_view name) const {
  int32_t i = LookupIndex(name);
  if (i < 0) return 0;
  double v = NumericValue(Tags[i].RawValue, Tags[i].ValueType, BigEndian);
  return std::isfinite(v) ? v : 0;
}

int32_t TImageInfo::IntegerOf(std::string_view name) const { return RoundEven(NumberOf(name)); }

int32_t TImageInfo::AddTag(TTagEntry entry) {
  if (entry.Dataset != 0) Tags.push_back(std::move(entry));
  return Count() - 1;
}

int32_t TImageInfo::AddThumbTag(TTagEntry entry) {
  if (entry.Dataset != 0) ThumbTags.push_back(std::move(entry));
  return ThumbCount() - 1;
}

// ---------------------------------------------------------------------------
// TImageInfo: the directory walk

const std::string& TImageInfo::ExifSegmentBytes() const {
  if (Container && Container->ExifSegment) return Container->ExifSegment->Bytes;
  return Buffer;
}

void TImageInfo::ParseDirectory(int64_t start, int64_t offsetBase, DirectoryKind kind, int64_t blockLength) {
  visitedDirectories_.clear();
  entriesLeft_ = kMaxEntriesPerWalk;
  WalkDirectory(start, offsetBase, kind, blockLength, 0);
}

void TImageInfo::ParseThumbnail() {
  ParseDirectory(int64_t(ThumbStart) + kExifOffsetBase, kExifOffsetBase, ThumbnailDirectory,
                 int64_t(ThumbLength) - 12);
}

void TImageInfo::WalkDirectory(int64_t start, int64_t offsetBase, DirectoryKind kind, int64_t blockLength,
                               int depth) {
  if (depth > kMaxDirectoryDepth) return;
  if (!visitedDirectories_.insert(start).second) return;  // cycles and directories shared by several links
  auto entries = Read16(start);
  if (!entries) return;  // the directory lies outside the block
  const int64_t count = *entries;
  if (2 + 12 * count > offsetBase + blockLength) {
    if (Container) Container->ErrorText = kIllegalDirectory;
    return;
  }

  if (kind == MainDirectory && ThumbStart == 0 && !IsTiff) {
    if (auto link = Read32(start + 2 + 12 * count)) {
      ThumbStart = *link;
      ThumbLength = ClampToInt32(offsetBase + blockLength - int64_t(*link));
    }
  }

  try {
    for (int64_t i = 0; i < count && entriesLeft_ > 0; ++i, --entriesLeft_)
      ReadEntry(start + 2 + 12 * i, offsetBase, kind, blockLength, depth);
  } catch (const std::exception&) {
    // A value that cannot be formatted abandons the rest of this directory.
  }
}

void TImageInfo::ParseSubDirectory(int64_t valuePos, int64_t offsetBase, DirectoryKind kind, int64_t blockLength,
                                   int depth) {
  auto offset = Read32(valuePos);
  if (!offset) return;
  try {
    WalkDirectory(int64_t(*offset) + offsetBase, offsetBase, kind, blockLength, depth + 1);
  } catch (const std::exception&) {
    // Abandons that sub-directory only.
  }
}

void TImageInfo::ReadEntry(int64_t entryPos, int64_t offsetBase, DirectoryKind kind, int64_t blockLength,
                           int depth) {
  auto tag = Read16(entryPos);
  auto type = Read16(entryPos + 2);
  auto countField = Read32(entryPos + 4);
  if (!tag || !type || !countField) return;
  const int64_t size = int64_t(static_cast<uint32_t>(*countField)) * BytesPerFormat(*type);
  if (size == 0) return;

  int64_t valuePos = entryPos + 8;
  if (size > 4) {
    auto offset = Read32(entryPos + 8);
    if (!offset) return;
    valuePos = int64_t(*offset) + offsetBase;
  }

  // The value's bytes, as many as lie inside the block; a value that starts
  // outside the kept bytes, or would need bytes beyond them, is skipped.
  const std::string& segment = ExifSegmentBytes();
  const int64_t blockEnd = offsetBase + blockLength;  // last position inside the block
  const int64_t wantedEnd = std::min(valuePos + size - 1, blockEnd);
  if (valuePos < 1 || wantedEnd < valuePos || wantedEnd > int64_t(segment.size())) return;
  const TTagEntry& row = TableRowOf(*tag, kind);
  if (row.Dataset == 0 && !IsSpecialTag(*tag)) return;  // neither kept nor acted upon
  if (!RawBudgetLeft(wantedEnd - valuePos + 1)) return;
  const std::string_view raw = std::string_view(segment).substr(size_t(valuePos - 1), size_t(wantedEnd - valuePos + 1));
  rawBytesKept_ += int64_t(raw.size());
  const bool textWanted = TextWanted(*tag, row.Name);
  std::string display = textWanted ? DisplayText(row, raw, *type, BigEndian) : std::string();
  if (*tag == kTagUserComment) {
    display = raw.size() > 8 ? TrimControls(std::string_view(raw).substr(8, size_t(std::max<int64_t>(size - 9, 0))))
                             : std::string();
  }

  switch (*tag) {
    case kTagImageWidth:
    case kTagExifImageWidth:
      WidthPos = ClampToInt32(entryPos + 8);
      Width = RoundEven(NumericValue(raw, *type, BigEndian));
      break;
    case kTagImageLength:
    case kTagExifImageLength:
      HeightPos = ClampToInt32(entryPos + 8);
      Height = RoundEven(NumericValue(raw, *type, BigEndian));
      break;
    case kTagMake: CameraMake = display.substr(0, 32); break;
    case kTagModel: CameraModel = display.substr(0, 40); break;
    case kTagDateTime:
    case kTagDateTimeOriginal: DateTime = display.substr(0, 20); break;
    case kTagExifVersion: ExifVersion = std::string(raw.substr(0, 6)); break;
    case kTagSubIfds:
    case kTagExifOffset:
    case kTagInteroperabilityOffset:
      ParseSubDirectory(valuePos, offsetBase, MainDirectory, blockLength, depth);
      break;
    case kTagGpsInfo: ParseSubDirectory(valuePos, offsetBase, GpsDirectory, blockLength, depth); break;
    case kTagMakerNote: {
      MakerNote = std::string(raw);
      MakerNotePos = ClampToInt32(valuePos);
      TmsInfo maker(IsTiff, this);
      HasMakerNote = maker.ReadMakerNote();
      break;
    }
    default: break;
  }

  if (row.Dataset == 0) return;
  if (!textWanted && !FocalLength35Reads(row.Name)) return;  // nobody asks for it
  TTagEntry entry = textWanted ? row : NameOnly(row);
  entry.Value = std::move(display);
  entry.RawValue = std::string(raw);
  entry.MaxSize = static_cast<int32_t>(raw.size());
  entry.ValuePos = ClampToInt32(valuePos);
  entry.ValueType = *type;
  if (kind == ThumbnailDirectory)
    AddThumbTag(std::move(entry));
  else
    AddTag(std::move(entry));
}

bool TImageInfo::TextWanted(uint16_t tag, std::string_view name) const {
  if (!Container || Container->FormattedTags.empty() || IsSpecialTag(tag)) return true;
  for (std::string_view wanted : Container->FormattedTags)
    if (EqualNoCase(wanted, name)) return true;
  return false;
}

// ---------------------------------------------------------------------------
// TimgData

TimgData::TimgData(int32_t listMode) : ListMode(listMode) {}

TimgData::~TimgData() = default;

void TimgData::Clear() {
  Sections.clear();
  ExifSegment = IptcSegment = CommentSegment = JfifSegment = XmpSegment = nullptr;
  MoreIptcSegments.clear();
  MoreXmpSegments.clear();
  IsTiff = false;
  FileName.clear();
  FileDate = FileTime{};
  FileSize = 0;
  ErrorText.clear();
  ExifInfo.reset();
  IptcInfo.reset();
  BigEndian = false;
  Buffer.clear();
}

tSection& TimgData::AddSection() { return Sections.emplace_back(); }

void TimgData::DropLastSection() {
  if (!Sections.empty()) Sections.pop_back();
}

bool IsExifSegment(std::string_view segmentBytes) { return segmentBytes.substr(std::min<size_t>(2, segmentBytes.size())).starts_with("Exif"); }

std::string_view TimgData::XmpPacketText() const { return XmpSegment ? XmpPacketOf(XmpSegment->Bytes) : std::string_view(); }

bool TimgData::HasThumbnail() const {
  return ExifSegment && ExifInfo && ExifInfo->ThumbStart > 21 && ExifInfo->ThumbLength > 256;
}

std::string TimgData::GetComment() const {
  if (!CommentSegment) return {};
  const std::string& b = CommentSegment->Bytes;
  if (b.size() <= 2 || CommentSegment->Length <= 2) return {};
  return b.substr(2, std::min<size_t>(size_t(CommentSegment->Length - 2), b.size() - 2));
}

bool TimgData::ParseIptc() {
  if (IptcSegment) {
    if (!IptcInfo) IptcInfo = std::make_unique<TIPTCdata>(this);
    IptcInfo->ParseContainerSegment();
  } else {
    CreateEmptyIptc();
  }
  return IptcInfo->HasTags();
}

void TimgData::CreateEmptyIptc() {
  SetIptcSegment(std::string());
  IptcInfo = std::make_unique<TIPTCdata>(this);
}

bool TimgData::ReadFile(const std::filesystem::path& fileName) { return ReadFile(fileName, LookAtFile(fileName)); }

bool TimgData::ReadFile(const std::filesystem::path& fileName, const FileFacts& facts) {
  Clear();
  if (!facts.regular) return false;
  FileName = fileName;
  FileDate = facts.date;
  FileSize = static_cast<int64_t>(facts.size);
  ErrorText = kNotExifFile;

  std::string ext = fileName.extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(), LowerAscii);
  const bool jpeg = ext == ".jpg" || ext == ".jpeg" || ext == ".jpe";
  const bool tiff = ext == ".tif" || ext == ".tiff" || ext == ".nef";
  if (!jpeg && !tiff) return false;

  bool ok = false;
  try {
    if (jpeg) {
      FileStreamBuffer file(fileName);
      if (!file.IsOpen()) {
        ErrorText = kIllegalConstruction;
        return false;
      }
      std::istream in(&file);
      ok = ReadJpegSegments(in);
    } else {
      ok = ReadTiffHeader(ReadFileHead(fileName, std::min<size_t>(kTiffHeadLimit, size_t(FileSize))));
    }
  } catch (const FileError&) {
    ErrorText = kIllegalConstruction;
    return false;
  } catch (const std::exception&) {
    return false;
  }
  if (ok) ErrorText = kNoError;
  return ok;
}

bool TimgData::ReadJpegSegments(std::istream& in) {
  IsTiff = false;
  char soi[2] = {};
  if (!in.read(soi, 2) || uint8_t(soi[0]) != 0xFF || uint8_t(soi[1]) != 0xD8) return false;

  Sections.clear();
  MoreIptcSegments.clear();
  MoreXmpSegments.clear();
  size_t extraBytes = 0;
  int segments = 0;
  // Five segments without EXIF, IPTC or comment: an EXIF block further on is
  // not taken (the scan goes on for IPTC, XMP and comments).
  bool exifWindowClosed = false;
  for (;;) {
    int c;
    do {
      c = in.get();
    } while (c == 0xFF);
    if (c == std::char_traits<char>::eof()) break;
    const uint32_t marker = static_cast<uint32_t>(c);

    char lengthBytes[2];
    if (!in.read(lengthBytes, 2)) break;
    const int32_t length = uint8_t(lengthBytes[0]) << 8 | uint8_t(lengthBytes[1]);
    if (length < 2) break;  // a length that cannot even hold itself ends the scan

    std::string bytes(lengthBytes, 2);
    bytes.resize(size_t(length));
    in.read(bytes.data() + 2, length - 2);
    bytes.resize(size_t(2 + in.gcount()));
    if (marker == kMarkerEndOfImage || marker == kMarkerStartOfScan) {
      if (++segments <= kMaxStoredSegments) AddSection() = {std::move(bytes), marker, length};
      break;
    }

    // A further APP13 segment or XMP packet is kept wherever it stands (up
    // to kMaxExtraBytes together), so that a write can carry it over.
    const bool iptc = marker == kMarkerApp13;
    const bool xmp = marker == kMarkerApp1 && IsXmpSegment(bytes);
    const bool further = (iptc && HasIptc()) || (xmp && HasXmp());
    if (further || ++segments > kMaxStoredSegments) {
      if ((iptc || xmp) && extraBytes + bytes.size() <= kMaxExtraBytes) {
        extraBytes += bytes.size();
        tSection& slot = AddSection();
        slot = {std::move(bytes), marker, length};
        (iptc ? MoreIptcSegments : MoreXmpSegments).push_back(&slot);
        if (iptc && !HasIptc()) {
          MoreIptcSegments.pop_back();
          IptcSegment = &slot;
          IptcInfo = std::make_unique<TIPTCdata>(this);
        } else if (xmp && !HasXmp()) {
          MoreXmpSegments.pop_back();
          XmpSegment = &slot;
        }
      }
      if (!in) break;
      continue;
    }

    tSection& slot = AddSection();
    slot = {std::move(bytes), marker, length};
    if (SectionCount() == kExifSegmentLimit && !HasExif() && !HasIptc() && !HasComment()) exifWindowClosed = true;
    switch (marker) {
      case kMarkerApp0: JfifSegment = &slot; break;
      case kMarkerApp1:
        // The EXIF block is the first APP1 that says so, wherever the XMP
        // packet stands; other APP1 segments stay in the picture stream.
        if (xmp) {
          XmpSegment = &slot;
        } else if (exifWindowClosed || SectionCount() > kExifSegmentLimit || HasExif() || !IsExifSegment(slot.Bytes)) {
          DropLastSection();
        } else {
          ExifSegment = &slot;
          ExifInfo = std::make_unique<TImageInfo>(this, ListMode);
          ParseExifSegment();
        }
        break;
      case kMarkerApp13:
        IptcSegment = &slot;
        IptcInfo = std::make_unique<TIPTCdata>(this);
        break;
      case kMarkerComment: CommentSegment = &slot; break;
      default: break;
    }
    if (!in) break;  // the file ended inside this segment
  }
  return HasExif() || HasIptc() || HasComment();
}

std::vector<const tSection*> TimgData::AllIptcSegments() const {
  std::vector<const tSection*> all;
  if (IptcSegment) all.push_back(IptcSegment);
  all.insert(all.end(), MoreIptcSegments.begin(), MoreIptcSegments.end());
  return all;
}

void TimgData::ParseExifSegment() {
  if (!ExifInfo) ExifInfo = std::make_unique<TImageInfo>(this, ListMode);
  if (!ExifSegment) return;
  const std::string& bytes = ExifSegment->Bytes;
  if (bytes.size() < 7 || bytes.compare(2, 5, std::string_view("Exif\0", 5)) != 0) {
    ErrorText = kIncorrectExifHeader;
    return;
  }
  const std::string_view order = bytes.size() >= 10 ? std::string_view(bytes).substr(8, 2) : std::string_view();
  if (order != "II" && order != "MM") {
    ErrorText = kInvalidAlignment;
    return;
  }
  BigEndian = order == "MM";
  ExifInfo->Buffer = bytes;
  ExifInfo->BigEndian = BigEndian;
  const int64_t first = ExifInfo->Read32(13).value_or(0);
  ExifInfo->ParseDirectory(first == 0 ? 17 : first + kExifOffsetBase, kExifOffsetBase, MainDirectory,
                           int64_t(ExifSegment->Length) - 6);
  if (!ErrorText.empty()) ExifInfo->AddFocalLength35();
}

bool TimgData::ReadTiffHeader(const std::string& head) {
  if (head.size() < 2) return false;
  const std::string_view order = std::string_view(head).substr(0, 2);
  if (order != "II" && order != "MM") return false;
  IsTiff = true;
  BigEndian = order == "MM";
  // The block holds the file from offset 8 on, so file offset O is position
  // O - 7. IFD0 is walked where the header says it is; a header offset that
  // cannot be one (0..8) means the usual place right after the header.
  tSection& slot = AddSection();
  slot.Bytes = head.size() > 8 ? head.substr(8) : std::string();
  slot.Length = static_cast<int32_t>(std::min<size_t>(slot.Bytes.size(), size_t(std::numeric_limits<int32_t>::max())));
  ExifSegment = &slot;
  const int64_t firstDirectory = int64_t(static_cast<uint32_t>(ReadS32(head, 4, BigEndian).value_or(0)));
  const int64_t start = firstDirectory > 8 ? firstDirectory + kTiffOffsetBase : 1;
  ExifInfo = std::make_unique<TImageInfo>(this, ListMode);
  ExifInfo->IsTiff = true;
  ExifInfo->Buffer = slot.Bytes;
  ExifInfo->BigEndian = BigEndian;
  ExifInfo->ParseDirectory(start, kTiffOffsetBase, MainDirectory,
                           std::max<int64_t>(kTiffBlockLength, int64_t(slot.Bytes.size())));
  ExifInfo->AddFocalLength35();
  IsTiff = false;
  return true;
}

}  // namespace pixaldo
