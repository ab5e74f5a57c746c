#pragma once
// The IPTC datasets of one JPEG file (records 2 and 8 of the APP13
// "Photoshop 3.0" segment) as a list of named entries: parsed from the
// segment, edited by name, built into a new APP13 payload and written back
// through the owning container.
//
// Values are held as UTF-8 text. A record tagged UTF-8 (dataset 1:90 =
// ESC % G) is read as UTF-8, any other as Windows-1250. A record is written
// in Windows-1250, exactly as ever, while it was not tagged and every value
// fits that code page; otherwise all of it is written in UTF-8 behind the tag.
#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "exif/TagEntry.h"

namespace pixaldo {

class TimgData;

// One row of the dataset table.
struct IptcDatasetRow {
  uint16_t Record;
  uint16_t Dataset;
  const char* Name;
  const char* Description;
  int32_t MaxSize;
};

// The 49 datasets understood, searched in this order.
extern const std::array<IptcDatasetRow, 49> IptcDatasetTable;

class TIPTCdata {
 public:
  // `container` owns this list (it is not owned here); may be null for a
  // free-standing list that is only parsed and built.
  explicit TIPTCdata(TimgData* container);
  virtual ~TIPTCdata() = default;

  int32_t Count() const { return static_cast<int32_t>(Entries.size()); }
  int32_t Capacity() const { return capacity_; }
  TimgData* Container() const { return container_; }

  // A copy of the entry at the 0-based index (callers stay below Count).
  TTagEntry GetTag(int32_t index) const;
  bool HasTags() const { return Count() > 0; }
  void Clear();

  virtual int32_t LookupIndex(std::string_view name) const;
  virtual void DeleteByName(std::string_view name);
  virtual int32_t SetValue(std::string_view name, const std::string& value);
  virtual int32_t AppendValue(std::string_view name, const std::string& value);
  virtual std::string ValueOf(std::string_view name, const std::string& defaultValue) const;
  // Reads the file through the container and parses its APP13 segment.
  virtual bool LoadFromFile(const std::filesystem::path& fileName);

  static int32_t TableIndexOf(std::string_view name);
  int32_t AddTag(const TTagEntry& entry);

  // Parses the container's kept APP13 segment (call only when it has one).
  void ParseContainerSegment();
  // Parses APP13 segment bytes (length field included).
  void ParseSegment(std::string_view segmentBytes);

  // Whether the record is written in UTF-8 (see above).
  bool WritesUtf8() const;
  // The longest stored length in bytes of the named value (of one piece for
  // the repeatable ones) as it would be written now; 0 when there is none.
  size_t StoredLength(std::string_view name) const;
  // Why the named value cannot be written: longer than its dataset allows;
  // empty when it fits, is not there, or its dataset has no enforced limit
  // (the category, datasets without a table row).
  std::string OverlongMessage(std::string_view name) const;

  // The XML fragment of the list, one line each.
  std::vector<std::string> AsXmlLines() const;
  // The APP13 payload (without the length field) for the current list.
  std::string BuildPayload() const;
  // The payload plus the 8BIM resources of `oldSegment` (APP13 bytes with
  // length) other than the IPTC resource and its digest, carried over after
  // the 0x040B resource.
  std::string BuildPayloadKeeping(std::string_view oldSegment) const;

  // Writes the list into the file `targetName`, taking the picture from
  // `sourceName` (or the target when empty): the new APP13 segment carries
  // the old one's other resources (BuildPayloadKeeping), and the old segment
  // does not stay behind in the picture stream. When the file has an XMP
  // packet, its title, description and category are set to the list's
  // ObjectName, ImageCaption and Category. Nothing is decoded. Atomic;
  // throws FileError (the file unchanged) when it cannot be written, the
  // data do not fit into one segment, or a kept value would outgrow its
  // dataset once the record is written in UTF-8.
  void SaveToFile(const std::filesystem::path& targetName, const std::filesystem::path& sourceName);

  std::vector<TTagEntry> Entries;
  bool Utf8 = false;  // the record read was tagged UTF-8

 private:
  // A kept value that fitted its dataset in Windows-1250 but would not in
  // UTF-8; empty when there is none.
  std::string RecodingOverflow() const;
  void UpdateXmp(const std::filesystem::path& targetName);

  TimgData* container_;
  int32_t capacity_ = 0;
};

}  // namespace pixaldo
