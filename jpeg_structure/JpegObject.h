#pragma once
// One JPEG file held in memory as its table of segments: the marker segments
// from SOI up to and including SOS, one entry for the entropy-coded data and
// one for EOI. The same object locates the EXIF thumbnail, fills the name/value
// lists of the metadata window, edits the file (delete or replace segments)
// and regenerates the EXIF thumbnail from the picture.
//
// Every write goes through an atomic replace of the file; a failure throws
// FileError naming the file and leaves the file as it was.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "photo_view/RgbImage.h"

namespace pixaldo {

class TimgData;
class JpegByteStream;
class FileReader;
class PhotoFile;

// One entry of the segment table.
struct TJpegSegment {
  uint16_t Number = 0;    // 1-based position in the table
  uint16_t Marker = 0;    // 0xFFD8, 0xFFE1, ...; 0xFFFF for the compressed data
  int64_t Offset = 0;     // file position of the marker's 0xFF (first data byte for the data entry)
  int64_t Size = 0;       // bytes covered: length field + 2; 2 for SOI and EOI
  std::string Name;       // display name
  std::string MarkerHex;  // "FFE1"; empty for 0 and 0xFFFF
};

// Two parallel lists of names and values, shown as a two-column grid.
class TTags {
 public:
  void Clear();
  void Add(const std::string& name, const std::string& value);
  // Rows a grid needs: at least 1, else the longer of the two lists.
  int RowCount() const;

  std::vector<std::string> Names;
  std::vector<std::string> Values;
  bool Utf8 = false;  // the values are UTF-8 text (the IPTC list), not Windows-1250 bytes
};

// Display name of a marker ("???" for markers without one).
std::string SegmentName(uint16_t marker);
// The name of a segment whose bytes (length field included) start with
// `head`: an APP1 segment holding an XMP packet is "XMP data (APP1)".
std::string SegmentName(uint16_t marker, std::string_view head);

class TJpegObject {
 public:
  static constexpr int kSegmentSlots = 50;
  static constexpr uint16_t kSoi = 0xFFD8, kEoi = 0xFFD9, kSos = 0xFFDA, kApp0 = 0xFFE0, kApp1 = 0xFFE1,
                            kApp13 = 0xFFED, kCom = 0xFFFE, kData = 0xFFFF;

  // Locks the file (PhotoLock) for as long as the object lives, then reads it
  // once, whole (FileError when it cannot be read), builds the table and
  // reads the metadata from the bytes read; `keepDate` puts the file's
  // modification time back after every save. An edit so writes what it read,
  // and no other writer of this program can change the file in between.
  TJpegObject(std::filesystem::path fileName, bool keepDate);
  // The same for bytes that are not (yet) a file, such as a transform's
  // output before it is written; `fileName` names them in messages.
  TJpegObject(std::string bytes, std::filesystem::path fileName);
  ~TJpegObject();
  TJpegObject(const TJpegObject&) = delete;
  TJpegObject& operator=(const TJpegObject&) = delete;

  // ---- structure (reading) ----
  void Load();
  void ScanSegments();
  // The same table read from the file's headers alone (the marker segments,
  // the file size and the last two bytes), for showing it without loading
  // the file. Throws FileError when the file cannot be opened or read.
  static std::vector<TJpegSegment> ReadSegmentTable(const std::filesystem::path& fileName);
  static std::vector<TJpegSegment> ReadSegmentTable(const FileReader& file);
  // 1-based index of the first entry with the marker, 0 when none.
  int FindSegment(uint16_t marker) const;
  // The same for the first APP1 entry that is not an XMP packet: the EXIF block.
  int FindExifSegment() const;
  static int ExifSegmentIn(const std::vector<TJpegSegment>& segments);
  // The entry with the 1-based number (1..SegmentCount()).
  const TJpegSegment& Segment(int number) const { return Segments.at(size_t(number - 1)); }
  int SegmentCount() const { return int(Segments.size()); }
  // `count` bytes from the 0-based file position; fewer when the data ends.
  std::string ReadBytes(int64_t count, int64_t position) const;
  // The first segment with the marker, marker and length field included; empty when none.
  std::string GetSegmentBytes(uint16_t marker) const;
  void LocateThumbnail();
  // The JPEG thumbnail's bytes; empty when there is no JPEG thumbnail.
  std::string GetThumbnailBytes() const;
  // The thumbnail decoded; nothing when it is not JPEG, empty or undecodable.
  std::optional<RgbImage> GetThumbnailImage() const;
  void FillExifLists();
  void FillIptcList();
  void ReadComment();

  // ---- edits ----
  // Every edit that saves fails with FileError "not a JPEG file" for a file
  // that does not start with SOI.
  // Removes the bytes and saves. Throws FileError when the save fails (the
  // bytes held stay as they were).
  bool DeleteBytes(int64_t size, int64_t offset);
  // Removes the first segment with the marker and saves; false (nothing
  // changed) when the file has none.
  bool DeleteSegment(uint16_t marker);
  // Inserts before the 1-based position (1..size); false otherwise. Not saved.
  bool InsertBytes(const std::string& bytes, int64_t position);
  // Replaces the first occurrence of `oldBytes`; false when there is none. Not saved.
  bool ReplaceBytes(const std::string& oldBytes, const std::string& newBytes);
  // Puts the 18-byte JFIF header after SOI when the table has no APP0. Not saved.
  void EnsureJfifHeader();
  // Writes the bytes held to FileName atomically; with KeepDate the previous
  // modification time is put back exactly. Edits that save write the bytes
  // held in pieces around what they change and never copy them whole.
  void Save();

  // The four edits of the metadata window. Each returns whether the file was
  // changed (and saved).
  bool DeleteExif();     // the EXIF block's APP1; a file without APP0 gets the JFIF header
  bool DeleteComment();  // first COM
  bool DeleteIptc();     // first APP13
  // The source's EXIF block replaces this file's, or its APP0 when it has
  // none (XMP packets stay). Throws FileError when the source cannot be read or its
  // APP1 segment is cut short.
  bool ImportExif(const std::filesystem::path& sourceFile);

  // ---- thumbnail ----
  struct Size2 {
    int Width = 0;
    int Height = 0;
  };
  // Size of a new thumbnail whose longer side is `maxSide` (halves round to even).
  static Size2 ThumbnailSize(int maxSide, int width, int height);
  // Writes a baseline JPEG (no APP0) of the picture scaled to fit `maxSide`.
  void MakeThumbnailFile(const std::filesystem::path& fileName, int maxSide, int quality);
  // Puts the JPEG file's bytes in place of the EXIF thumbnail (see
  // RestoreThumbnail for where they go) and saves. False (nothing written)
  // when there is no JPEG thumbnail to replace. Throws FileError when the new
  // thumbnail finds no place; the file then stays as it was.
  bool ReplaceThumbnail(const std::filesystem::path& fileName);
  // Regenerates the EXIF thumbnail from the picture, keeping the old
  // thumbnail's longer side, and saves (with KeepDate, the date is kept);
  // no scratch file is made. Nothing another offset of the EXIF block points
  // at ever moves (a maker note's preview after the thumbnail): the new
  // thumbnail takes the old one's place when that is the end of the block or
  // when it fits there, else it goes to the end of the block, the old place
  // cleared. When it fits nowhere the old one is kept and FileError says so.
  // False when the file has no JPEG thumbnail. Throws FileError on failure.
  bool RestoreThumbnail();
  // The same regeneration in the bytes held only, without the temporary file
  // and without saving: for a caller that writes the bytes itself (the
  // transform runner, which writes jpegtran's output once, thumbnail and
  // all). A new thumbnail too large for the EXIF block is made smaller in
  // bytes (lower quality, then shorter sides) until it fits; when none fits,
  // the old thumbnail is removed, so that it never shows a picture the file
  // no longer holds (its length set to 0 and, when data follows it, its
  // bytes cleared in place). A thumbnail whose place in the block cannot be
  // told is kept (Kept). FileError for a thumbnail that cannot be made at
  // all, the bytes held then unchanged.
  // `ready`, when given, is the picture already scaled for the first side
  // tried (see ScaleForThumbnail); it is used only when that side matches.
  enum class ThumbnailRefresh { None, Replaced, Removed, Kept };
  struct ThumbnailPicture {
    int side = 0;  // the thumbnail's longer side
    RgbImage image;
  };
  ThumbnailRefresh RegenerateThumbnail(const ThumbnailPicture* ready = nullptr);
  // The longer side RegenerateThumbnail gives the new thumbnail first (the
  // old one's); nothing when it would make none. FileError as it would.
  std::optional<int> RegeneratedThumbnailSide() const;
  // The picture of JPEG data decoded as it arrives and scaled for a
  // thumbnail of that longer side: the same pixels RegenerateThumbnail
  // makes from the same bytes. FileError when they cannot be decoded.
  static ThumbnailPicture ScaleForThumbnail(JpegByteStream& stream, int side,
                                            const std::filesystem::path& nameForErrors);

  // ---- fields ----
  const std::string& Bytes() const { return data_; }
  // The bytes held, handed over; the object holds none afterwards.
  std::string TakeBytes() { return std::move(data_); }
  std::filesystem::path FileName;
  bool KeepDate = false;
  bool BigEndian = true;
  std::vector<TJpegSegment> Segments;  // at most kSegmentSlots entries
  TJpegSegment ExifSegment;            // copy of the EXIF block's APP1 entry; zero when none
  bool ThumbIsJpeg = false;
  int64_t ThumbDataOffset = 0;
  uint16_t ThumbDataLength = 0;
  int32_t ThumbLengthPos = 0;
  int32_t ThumbOffsetPos = 0;  // where the thumbnail's offset (JPEGInterchangeFormat) is stored
  std::unique_ptr<TimgData> ImgData;
  TTags ExifList, MakerList, ThumbList, IptcList;
  std::string Comment;

 private:
  // Bytes [offset, offset + size) of the bytes held replaced by `bytes`.
  struct ByteEdit {
    int64_t offset = 0;
    int64_t size = 0;
    std::string bytes;
  };
  void RequireJpeg() const;
  void ReadMetadata();
  // The edits (in order, not overlapping) made to the bytes held.
  void ApplyEdits(const std::vector<ByteEdit>& edits);
  // Writes the bytes held with the edits made, then holds them so.
  void SaveWithEdits(const std::vector<ByteEdit>& edits);
  bool ThumbnailInsideExif() const;
  std::string MakeThumbnailBytes(int maxSide, int quality, const ThumbnailPicture* ready = nullptr) const;
  // The longer side of the stored JPEG thumbnail; nothing when there is none
  // that can be read. FileError when it is too large for a thumbnail.
  std::optional<int> StoredThumbnailSide() const;
  // The edits that put the new thumbnail into the EXIF block without moving
  // anything an offset points at; nothing when it fits nowhere. FileError
  // when the old thumbnail's place cannot be told.
  std::optional<std::vector<ByteEdit>> ThumbnailEdits(const std::string& newThumbnail) const;
  // Puts the new thumbnail in and saves; FileError when it fits nowhere.
  void SaveNewThumbnail(const std::string& thumbnail);
  // The edits that remove the old thumbnail the same way.
  std::vector<ByteEdit> ThumbnailRemoval() const;

  std::unique_ptr<PhotoFile> photo_;  // the file read, locked while the object lives
  std::string data_;
};

// Regenerates the EXIF thumbnail of a file in place (as the transform runner
// does after a lossless transform). With keepDate the file's modification time
// is put back. False when the file has no JPEG thumbnail; FileError on failure.
bool RestoreThumbnailOfFile(const std::filesystem::path& file, bool keepDate);

}  // namespace pixaldo
