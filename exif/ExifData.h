#pragma once
// The metadata container of one image file (TimgData) and its EXIF reader
// (TImageInfo).
//
// TimgData reads a JPEG file's marker segments up to the compressed data and
// keeps the EXIF APP1, IPTC APP13, comment COM and JFIF APP0 segments; it can
// also read the first directory of a TIFF-structured file. TImageInfo walks
// the TIFF directories inside the EXIF segment into a list of TTagEntry.
//
// Positions are 1-based inside a byte string and count from a segment's
// length field: the EXIF segment's TIFF header starts at position 9, so a TIFF
// offset O lies at position O + 9 (the "offset base"; -7 for TIFF files).
// Every read is bounds-checked: nothing outside the kept bytes is ever read,
// and a field or value that would lie outside is skipped.
#include <cstdint>
#include <deque>
#include <filesystem>
#include <iosfwd>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "exif/TagEntry.h"
#include "platform/FileSystem.h"

namespace pixaldo {

class TIPTCdata;
class TimgData;

// Byte order and buffer shared by the container and the EXIF reader.
class tEndInd {
 public:
  bool BigEndian = false;  // true for "MM" (Motorola order)
  std::string Buffer;      // the bytes Read16/Read32 read

  // 16-bit unsigned value at the 1-based position; nothing when it would
  // leave the buffer.
  std::optional<uint16_t> Read16(int64_t pos) const;
  // 32-bit signed value at the 1-based position; nothing when out of range.
  std::optional<int32_t> Read32(int64_t pos) const;
};

// One kept segment, from its length field on (0xFF and the marker excluded).
struct tSection {
  std::string Bytes;    // 2-byte big-endian length, then the payload
  uint32_t Marker = 0;  // 0xE1 APP1, 0xED APP13, 0xFE COM, 0xE0 APP0, ...
  int32_t Length = 0;   // value of the length field
};

// Whether APP1 segment bytes (length field included) are taken as the EXIF
// block: their identifier starts "Exif".
bool IsExifSegment(std::string_view segmentBytes);

// Status texts of a read (TimgData::ErrorText).
inline constexpr const char* kNotExifFile = "Not an EXIF file";
inline constexpr const char* kIncorrectExifHeader = "Incorrect Exif header";
inline constexpr const char* kInvalidAlignment = "Invalid Exif alignment marker";
inline constexpr const char* kIllegalDirectory = "Illegally sized directory";
inline constexpr const char* kErrorDetected = "Error Detected = ";
inline constexpr const char* kIllegalConstruction = "Illegal Exif construction";
inline constexpr const char* kNoError = "<none>";

// A maker-note tag table row (the maker tables are constexpr arrays of these,
// see exif/MakerNotes.h). A Description of "Skip" (any case) passes the tag over.
struct MakerTagRow {
  uint16_t Dataset;
  const char* Name;
  const char* Description;
  const char* Codes;
  TagFormatter Formatter;  // the Canon decoders; null otherwise
};

// The EXIF reader: the entries of the main, GPS and interoperability
// directories and the decoded maker entries, plus the thumbnail directory.
class TImageInfo : public tEndInd {
 public:
  TImageInfo(TimgData* container, int32_t listMode);
  virtual ~TImageInfo();
  TImageInfo(const TImageInfo&) = delete;
  TImageInfo& operator=(const TImageInfo&) = delete;

  // Lookups (names and descriptions compared without regard to letter case).
  virtual int32_t LookupIndex(std::string_view name) const;  // -1 when none
  virtual std::string ValueOf(std::string_view name) const;  // empty when none
  TTagEntry GetTagByName(std::string_view name) const;       // empty record when none
  int32_t LookupDescription(std::string_view description) const;
  TTagEntry GetTagByDescription(std::string_view description) const;

  // Cursors: NextTag copies the next entry of the group into `entry` and
  // returns true, or gives an empty record and false at the end.
  void ResetTagCursor() { TagCursor = 0; }
  bool NextTag(int32_t group, TTagEntry& entry);
  void ResetThumbCursor() { ThumbCursor = 0; }
  bool NextThumbTag(int32_t group, TTagEntry& entry);

  // Walks the thumbnail directory (IFD1) into ThumbTags (not emptied first).
  void ParseThumbnail();

  // Numeric value of the named entry (0 when none); IntegerOf rounds it,
  // halves to the even neighbour.
  double NumberOf(std::string_view name) const;
  int32_t IntegerOf(std::string_view name) const;

  // Appends a copy unless its Dataset is 0; returns Count() - 1.
  int32_t AddTag(TTagEntry entry);
  int32_t AddThumbTag(TTagEntry entry);
  int32_t Count() const { return static_cast<int32_t>(Tags.size()); }
  int32_t ThumbCount() const { return static_cast<int32_t>(ThumbTags.size()); }

  // Adds the computed "FocalLengthin35mmFilm" entry (exif/FocalLength35.cpp).
  void AddFocalLength35();
  // Whether that computation reads the entry of this table name.
  static bool FocalLength35Reads(std::string_view name);

  // Walks one directory at 1-based position `start` of Buffer; values lie at
  // TIFF offset + `offsetBase`; `blockLength` bounds the block. Sub-directories
  // are walked recursively (a directory already walked in this call is not
  // entered again; depth at most 8).
  void ParseDirectory(int64_t start, int64_t offsetBase, DirectoryKind kind, int64_t blockLength);

  // Maker notes (exif/MakerNotes.cpp). Walks one maker-note directory of the
  // note bytes with `table` rows 0..lastRow: A fallback base into the EXIF
  // segment, Q offset adjustment, C directory offset in the note.
  void ParseMakerDirectory(const std::string& note, std::span<const MakerTagRow> table, int32_t fallbackBase,
                           int32_t offsetAdjust, int32_t directoryOffset, int32_t lastRow);
  // Appends a maker entry (Group 1, type 2, name as description) whatever it holds.
  void AddMakerTag(const std::string& name, const std::string& value);

  // Writing back: writes new height and width into the EXIF segment bytes at
  // HeightPos/WidthPos when they differ (exif/ExifWrite.cpp).
  void AdjustSize(int32_t newHeight, int32_t newWidth);
  // The "<EXIFdata>" fragment of the XML dump, one line each.
  std::vector<std::string> AsXmlLines() const;

  std::vector<TTagEntry> Tags;
  TimgData* Container = nullptr;
  std::string ExifVersion;  // up to 6 characters
  std::string CameraMake;   // up to 32
  std::string CameraModel;  // up to 40
  std::string DateTime;     // up to 20
  int32_t Height = 0;
  int32_t Width = 0;
  int32_t HeightPos = 0;  // position of the value field of the entry that set Height
  int32_t WidthPos = 0;
  int32_t ListMode = 255;
  std::string MakerNote;
  bool IsTiff = false;
  int32_t ThumbStart = 0;   // TIFF offset of IFD1; 0 when none
  int32_t ThumbLength = 0;  // offset base + block length - ThumbStart
  std::vector<TTagEntry> ThumbTags;
  bool HasMakerNote = false;
  int32_t MakerNotePos = 0;
  int32_t TagCursor = 0;
  int32_t ThumbCursor = 0;

 private:
  void WalkDirectory(int64_t start, int64_t offsetBase, DirectoryKind kind, int64_t blockLength, int depth);
  void ReadEntry(int64_t entryPos, int64_t offsetBase, DirectoryKind kind, int64_t blockLength, int depth);
  // Whether the entry's value text is made (see TimgData::FormattedTags).
  bool TextWanted(uint16_t tag, std::string_view name) const;
  void ParseSubDirectory(int64_t valuePos, int64_t offsetBase, DirectoryKind kind, int64_t blockLength,
                         int depth);
  const std::string& ExifSegmentBytes() const;
  // Whether `bytes` more raw value bytes may still be taken (see kMaxRawBytesKept).
  bool RawBudgetLeft(int64_t bytes) const { return bytes <= kMaxRawBytesKept - rawBytesKept_; }

  // Limits that keep a hostile block from making the walk slow or huge: one
  // ParseDirectory call walks each directory once and at most
  // kMaxEntriesPerWalk entries; the raw values taken stay below
  // kMaxRawBytesKept; all maker-note walks together read at most
  // kMaxMakerEntries entries.
  static constexpr int64_t kMaxEntriesPerWalk = 20000;
  static constexpr int64_t kMaxRawBytesKept = int64_t(64) << 20;
  static constexpr int64_t kMaxMakerEntries = 100000;
  int64_t makerEntriesLeft_ = kMaxMakerEntries;
  std::set<int64_t> visitedDirectories_;  // starts walked in the current ParseDirectory call
  int64_t entriesLeft_ = 0;
  int64_t rawBytesKept_ = 0;
};

// A JPEG picture as the writer needs it: its size and its complete byte
// stream (starting with SOI).
struct JpegPicture {
  int32_t Width = 0;
  int32_t Height = 0;
  std::string Stream;
};

// The image-data container of one file.
class TimgData : public tEndInd {
 public:
  static constexpr int kMaxStoredSegments = 20;  // the scan stores at most this many
  static constexpr int kExifSegmentLimit = 5;    // EXIF is only kept among the first five

  explicit TimgData(int32_t listMode = 255);
  ~TimgData();
  TimgData(const TimgData&) = delete;
  TimgData& operator=(const TimgData&) = delete;

  void Clear();
  // Reads the file's metadata: JPEG (".jpg", ".jpeg", ".jpe") or TIFF
  // (".tif", ".tiff", ".nef"), by extension in any letter case. True for a JPEG
  // with an EXIF, IPTC or comment segment, or a TIFF with a byte-order mark.
  // Never throws for unreadable or damaged files (false / partial results).
  bool ReadFile(const std::filesystem::path& fileName);
  // The same with what a look at the file just told (no second look).
  bool ReadFile(const std::filesystem::path& fileName, const FileFacts& facts);

  bool HasExif() const { return ExifSegment != nullptr; }
  bool HasIptc() const { return IptcSegment != nullptr; }
  bool HasComment() const { return CommentSegment != nullptr; }
  bool HasXmp() const { return XmpSegment != nullptr; }
  // The XMP packet's XML (empty when there is none).
  std::string_view XmpPacketText() const;
  bool HasThumbnail() const;
  // The comment's bytes (call only when HasComment()).
  std::string GetComment() const;

  // Parses the kept APP13 segment into IptcInfo (or creates an empty one);
  // returns IptcInfo->HasTags().
  bool ParseIptc();
  void CreateEmptyIptc();

  // The scan steps, public for tests and the segment table.
  bool ReadJpegSegments(std::istream& in);
  void ParseExifSegment();
  bool ReadTiffHeader(const std::string& head);

  // ---------------------------------------------------------------------------
  // Writing and the XML dump (exif/ExifWrite.cpp)
  // ---------------------------------------------------------------------------
  // Replaces (or adds in the next free slot) the APP13 segment with `payload`.
  void SetIptcSegment(const std::string& payload);
  // The same for the COM segment.
  void SetComment(const std::string& text);
  // The same for the XMP APP1 segment (`packet` without the identifier).
  void SetXmpPacket(const std::string& packet);
  // Appends SOI and the kept metadata segments (EXIF or JFIF or the default
  // JFIF, then XMP, then IPTC, then comment) to `out`.
  void WriteSegments(std::string& out) const;
  // Writes `target` atomically from the kept segments and the picture's
  // stream (its leading APP0/APP1/APP13/COM skipped); when `adjustSize`,
  // corrects the EXIF picture size first. Throws FileError.
  void WriteWithPicture(const JpegPicture& picture, const std::filesystem::path& target, bool adjustSize);
  // Loads FileName as the picture and writes it to `target` (no size change).
  void SaveAs(const std::filesystem::path& target);
  // The one-file XML dump; nothing when FileName no longer exists.
  std::optional<std::vector<std::string>> AsXmlDocument() const;
  // ---------------------------------------------------------------------------

  // Slots in file order (Sections[0] is slot 1). A deque so that the segment
  // references below stay valid when a slot is added.
  std::deque<tSection> Sections;
  bool IsTiff = false;
  int32_t ListMode = 255;
  // Empty: every EXIF tag read gets its value text. Otherwise only the tags
  // so named (in any letter case) and those the reader takes fields of its
  // own from do; of the others only those the computed 35 mm focal length is
  // made from are kept, with their raw bytes and of their table row only the
  // name. For a reader that needs a few columns of many files.
  std::span<const std::string_view> FormattedTags;
  int32_t SectionCount() const { return static_cast<int32_t>(Sections.size()); }
  tSection* ExifSegment = nullptr;
  tSection* IptcSegment = nullptr;
  tSection* CommentSegment = nullptr;
  tSection* JfifSegment = nullptr;
  tSection* XmpSegment = nullptr;  // the first XMP packet's APP1
  // The APP13 segments and XMP packets after the first one, wherever they
  // stand before the picture data (kept beyond kMaxStoredSegments, up to
  // kMaxExtraBytes together).
  std::vector<tSection*> MoreIptcSegments;
  std::vector<tSection*> MoreXmpSegments;
  static constexpr size_t kMaxExtraBytes = size_t(16) << 20;
  // IptcSegment and MoreIptcSegments, in file order.
  std::vector<const tSection*> AllIptcSegments() const;
  std::filesystem::path FileName;
  FileTime FileDate{};
  int64_t FileSize = 0;
  std::string ErrorText;
  std::unique_ptr<TImageInfo> ExifInfo;
  std::unique_ptr<TIPTCdata> IptcInfo;

 private:
  tSection& AddSection();
  void DropLastSection();
};

}  // namespace pixaldo
