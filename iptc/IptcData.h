#pragma once
// The IPTC datasets of one JPEG file (records 2 and 8 of the APP13
// "Photoshop 3.0" segment) as a list of named entries: parsed from the
// segment, edited by name, built into a new APP13 payload and written back
// through the owning container.
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
  // does not stay behind in the picture stream. Nothing is decoded. Atomic;
  // throws FileError (the file unchanged) when it cannot be written or the
  // data do not fit into one segment.
  void SaveToFile(const std::filesystem::path& targetName, const std::filesystem::path& sourceName);

  std::vector<TTagEntry> Entries;

 private:
  TimgData* container_;
  int32_t capacity_ = 0;
};

}  // namespace pixaldo
