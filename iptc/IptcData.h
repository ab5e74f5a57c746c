#pragma once
// The IPTC datasets of one JPEG file as a list of named entries over the
// stored record (IptcRecord): parsed from the APP13 segments, edited by name,
// built into a new APP13 payload and written back through the owning
// container. Entries show records 2 and 8 as UTF-8 text, a repeatable
// dataset's values joined with ","; a write changes only the datasets edited.
#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "exif/TagEntry.h"
#include "iptc/IptcDatasets.h"
#include "iptc/IptcRecord.h"

namespace pixaldo {

class TimgData;

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
  // Removes the named entry: one dataset, or all values of a repeatable one.
  virtual void DeleteByName(std::string_view name);
  // Sets the named entry (a repeatable one becomes this one value); an empty
  // value leaves an existing entry; a new one goes at the end of its record.
  virtual int32_t SetValue(std::string_view name, const std::string& value);
  // Adds a value: a repeatable dataset gets one more, another joins it with ",".
  virtual int32_t AppendValue(std::string_view name, const std::string& value);
  virtual std::string ValueOf(std::string_view name, const std::string& defaultValue) const;
  // Reads the file through the container and parses its APP13 segments.
  virtual bool LoadFromFile(const std::filesystem::path& fileName);

  static int32_t TableIndexOf(std::string_view name);
  // Adds a dataset with the entry's record, number and value (not for Dataset 0).
  int32_t AddTag(const TTagEntry& entry);

  // Parses every APP13 segment the container read (call only when it has
  // one), with the photo's XMP texts as evidence of an unmarked code page.
  void ParseContainerSegment();
  // Parses APP13 segment bytes (length field included).
  void ParseSegment(std::string_view segmentBytes);

  // The stored record, for edits by dataset number.
  IptcRecord& Record() { return record_; }
  const IptcRecord& Record() const { return record_; }
  // Call after editing Record() directly.
  void RecordChanged() { RebuildEntries(); }

  // Whether the record is written in UTF-8 now.
  bool WritesUtf8() const;
  // The longest stored length in bytes of the named value (of one dataset
  // for the repeatable ones) as it would be written now; 0 when there is none.
  size_t StoredLength(std::string_view name) const;
  // Why the named value cannot be written: longer than its dataset allows;
  // empty when it fits or is not there.
  std::string OverlongMessage(std::string_view name) const;

  // The XML fragment of the list, one line each.
  std::vector<std::string> AsXmlLines() const;
  // The APP13 payload (without the length field): the IPTC resource and an
  // empty URL list. Throws IptcRefusal (see IptcRecord::BuildDatasets).
  std::string BuildPayload() const;
  // The payload plus the resources read with the record other than the IPTC
  // resource and its digest, carried over after the 0x040B resource.
  std::string BuildMergedPayload() const;
  // The payload plus the resources of `oldSegment` (APP13 bytes with length).
  std::string BuildPayloadKeeping(std::string_view oldSegment) const;

  // Writes the list into the file `targetName`, taking the picture from
  // `sourceName` (or the target when empty): one APP13 segment carries the
  // record and every resource of the APP13 segments read, which all go
  // from the picture stream. When the file has an XMP packet, its title,
  // description and category are set to the list's ObjectName, ImageCaption
  // and Category. Nothing is decoded. Atomic; throws FileError (the file
  // unchanged) when it cannot be written, the record refuses the write, or
  // the data do not fit into one segment.
  void SaveToFile(const std::filesystem::path& targetName, const std::filesystem::path& sourceName);

  std::vector<TTagEntry> Entries;  // the view of the record; rebuilt after every edit
  bool Utf8 = false;               // the record read was marked UTF-8

 private:
  void RebuildEntries();
  void UpdateXmp(const std::filesystem::path& targetName);

  TimgData* container_;
  IptcRecord record_;
  int32_t capacity_ = 0;
};

}  // namespace pixaldo
