#include "iptc/IptcData.h"

#include <algorithm>

#include "exif/ExifData.h"
#include "exif/ExifWrite.h"
#include "exif/XmlText.h"
#include "platform/ByteOrder.h"
#include "platform/Cp1250.h"
#include "platform/FileError.h"
#include "xmp/XmpPacket.h"

namespace pixaldo {

const std::array<IptcDatasetRow, 49> IptcDatasetTable = {{
    {2, 0, "SKIP", "Record Version", 64},
    {2, 3, "ObjectType", "Object Type Ref", 67},
    {2, 4, "ObjectAttr", "Object Attribute Ref", 67},
    {2, 5, "ObjectName", "Object name", 64},
    {2, 7, "EditStatus", "Edit Status", 64},
    {2, 8, "EditorialUpdate", "Editorial Update", 2},
    {2, 10, "Urgency", "Urgency", 1},
    {2, 12, "SubRef", "Subject Reference", 236},
    {2, 15, "Category", "Category", 3},
    {2, 20, "SuppCategory", "Supplemental category", 32},
    {2, 22, "FixtureID", "Fixture ID", 32},
    {2, 25, "Keywords", "Keywords", 64},
    {2, 26, "ContentLocCode", "Content Location Code", 3},
    {2, 27, "ContentLocName", "Content Location Name", 64},
    {2, 30, "ReleaseDate", "Release Date", 8},
    {2, 35, "ReleaseTime", "Release Time", 11},
    {2, 37, "ExpireDate", "Expiration Date", 8},
    {2, 38, "ExpireTime", "Expiration Time", 11},
    {2, 40, "SpecialInstru", "Special Instructions", 256},
    {2, 42, "ActionAdvised", "Action Advised", 2},
    {2, 45, "RefService", "Reference Service", 10},
    {2, 47, "RefDate", "Reference Date", 8},
    {2, 50, "RefNumber", "Reference Number", 8},
    {2, 55, "DateCreated", "Date created", 8},
    {2, 60, "TimeCreated", "Time created", 11},
    {2, 62, "DigitizeDate", "Digital Creation Date", 8},
    {2, 63, "DigitizeTime", "Digital Creation Time", 11},
    {2, 65, "OriginatingProgram", "Originating Program", 32},
    {2, 70, "ProgramVersion", "Program version", 10},
    {2, 75, "ObjectCycle", "Object Cycle", 1},
    {2, 80, "ByLine", "ByLine", 32},
    {2, 85, "ByLineTitle", "ByLine Title", 32},
    {2, 90, "City", "City", 32},
    {2, 92, "SubLocation", "Sublocation", 32},
    {2, 95, "State", "Province/State", 32},
    {2, 100, "LocationCode", "Country/Primary Location Code", 3},
    {2, 101, "LocationName", "Country/Primary Location Name", 64},
    {2, 103, "TransmissionRef", "Original Transmission Reference", 32},
    {2, 105, "ImageHeadline", "Image headline", 256},
    {2, 110, "ImageCredit", "Image credit", 32},
    {2, 115, "Source", "Source", 32},
    {2, 116, "Copyright", "Copyright Notice", 128},
    {2, 118, "Contact", "Contact", 128},
    {2, 120, "ImageCaption", "Image caption", 2000},
    {2, 122, "ImageCaptionWriter", "Image caption writer", 32},
    {2, 130, "ImageType", "Image type", 2},
    {2, 131, "Orientation", "Image Orientation", 1},
    {2, 135, "LangID", "Language ID", 3},
    {8, 10, "Subfile", "Subfile", 2},
}};

namespace {

constexpr std::string_view kPhotoshop = "Photoshop 3.0";
constexpr std::string_view kResourceType = "8BIM";
constexpr uint16_t kIptcResource = 0x0404;
constexpr uint16_t kUrlListResource = 0x040B;
constexpr uint16_t kIptcDigestResource = 0x0425;
constexpr uint8_t kDatasetMarker = 0x1C;
// Record 2, dataset 0, size 2, value 2: the record version written first.
constexpr std::string_view kRecordVersion{"\x1C\x02\x00\x00\x02\x00\x02", 7};
// Record 1, dataset 90, size 3, "ESC % G": the record-2 texts that follow are UTF-8.
constexpr std::string_view kUtf8CharacterSet{"\x1C\x01\x5A\x00\x03\x1B\x25\x47", 8};
// Room for an XMP packet in one APP1 segment: the length field and the
// identifier take the rest.
constexpr size_t kMaxXmpPacketBytes = 0xFFFF - 2 - kXmpIdentifier.size();

char Upper(char ch) { return (ch >= 'a' && ch <= 'z') ? char(ch - 'a' + 'A') : ch; }

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return Upper(x) == Upper(y);
         });
}

bool Repeatable(uint16_t dataset) { return dataset == 20 || dataset == 25; }

// Blanks and control characters are trimmed at both ends.
std::string_view Trim(std::string_view text) {
  auto blank = [](char ch) { return static_cast<unsigned char>(ch) <= ' '; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

TTagEntry EntryFromRow(const IptcDatasetRow& row) {
  TTagEntry entry;
  entry.Record = row.Record;
  entry.Dataset = row.Dataset;
  entry.Name = row.Name;
  entry.Description = row.Description;
  entry.MaxSize = row.MaxSize;
  return entry;
}

const IptcDatasetRow* FindRow(uint16_t record, uint16_t dataset) {
  for (const auto& row : IptcDatasetTable)
    if (row.Record == record && row.Dataset == dataset) return &row;
  return nullptr;
}

// A stored value as text: record-2 values of a UTF-8 record are UTF-8 (a
// broken sequence shows as U+FFFD), all others Windows-1250.
std::string DecodeValue(std::string_view bytes, uint8_t record, bool utf8) {
  return record == 2 && utf8 ? EncodeUtf8(DecodeUtf8(bytes)) : Cp1250ToUtf8(bytes);
}

std::string EncodeValue(std::string_view text, uint16_t record, bool utf8) {
  return record == 2 && utf8 ? EncodeUtf8(DecodeUtf8(text)) : Utf8ToCp1250(text).bytes;
}

// Whether a value's length is held to its dataset's limit: not for datasets
// read without a table row, nor for the category, whose names in the
// program's category list have always been longer than its 3 bytes.
bool LengthLimited(const TTagEntry& entry) {
  return !entry.Name.starts_with("Custom_") && !(entry.Record == 2 && entry.Dataset == 15);
}

// The pieces a value is written as: a repeatable one split at its commas.
std::vector<std::string_view> Pieces(const TTagEntry& entry) {
  std::vector<std::string_view> pieces;
  std::string_view rest = entry.Value;
  if (!(entry.Record == 2 && Repeatable(entry.Dataset))) return {rest};
  while (!Trim(rest).empty()) {
    size_t comma = rest.find(',');
    if (comma == std::string_view::npos) {
      pieces.push_back(rest);
      rest = {};
    } else {
      pieces.push_back(Trim(rest.substr(0, comma)));
      rest = Trim(rest.substr(comma + 1));
    }
  }
  return pieces;
}

// The entry a dataset read from a file gives; Dataset 0 when it is dropped.
TTagEntry EntryForDataset(uint8_t record, uint8_t dataset, std::string value) {
  TTagEntry entry;
  if (record != 2 && record != 8) return entry;
  const IptcDatasetRow* row = FindRow(record, dataset);
  if (row && std::string_view(row->Name) != "SKIP") {
    entry = EntryFromRow(*row);
  } else {
    entry.Record = record;
    entry.Dataset = dataset;
    entry.Name = "Custom_" + std::to_string(dataset);
    entry.Description = entry.Name;
    entry.MaxSize = 64;
  }
  entry.Value = std::move(value);
  return entry;
}

void AppendDataset(std::string& out, uint16_t record, uint16_t dataset, std::string_view value) {
  out += char(kDatasetMarker);
  out += char(record & 0xFF);
  out += char(dataset & 0xFF);
  AppendU16(out, uint16_t(value.size() & 0xFFFF), true);
  out += value;
}

// The 8BIM resources of an APP13 payload that a new payload carries over.
std::string ResourcesToKeep(std::string_view payload) {
  std::string kept;
  if (payload.substr(0, kPhotoshop.size()) != kPhotoshop) return kept;
  size_t pos = kPhotoshop.size() + 1;
  while (pos + 12 <= payload.size() && payload.substr(pos, 4) == kResourceType) {
    uint16_t id = *ReadU16(payload, pos + 4, true);
    // Pascal-string name, padded to an even length.
    size_t nameLength = static_cast<unsigned char>(payload[pos + 6]);
    size_t sizePos = pos + 6 + ((nameLength + 2) & ~size_t(1));
    auto size = ReadU32(payload, sizePos, true);
    if (!size || *size > payload.size() - std::min(payload.size(), sizePos + 4)) break;
    size_t end = sizePos + 4 + *size;
    if (end % 2 && end < payload.size()) ++end;  // data padded to an even length
    bool emptyUrlList = id == kUrlListResource && *size == 0;
    if (id != kIptcResource && id != kIptcDigestResource && !emptyUrlList)
      kept.append(payload.substr(pos, end - pos));
    pos = end;
  }
  return kept;
}

}  // namespace

TIPTCdata::TIPTCdata(TimgData* container) : container_(container) {}

TTagEntry TIPTCdata::GetTag(int32_t index) const {
  if (index < 0 || index >= Count()) return {};
  return Entries[size_t(index)];
}

void TIPTCdata::Clear() {
  Entries.clear();
  Utf8 = false;
}

int32_t TIPTCdata::LookupIndex(std::string_view name) const {
  for (size_t i = 0; i < Entries.size(); ++i)
    if (SameName(Entries[i].Name, name)) return int32_t(i);
  return -1;
}

void TIPTCdata::DeleteByName(std::string_view name) {
  int32_t index = LookupIndex(name);
  if (index >= 0) Entries.erase(Entries.begin() + index);
}

int32_t TIPTCdata::SetValue(std::string_view name, const std::string& value) {
  int32_t index = LookupIndex(name);
  if (index >= 0) {
    if (!value.empty()) Entries[size_t(index)].Value = value;
    return index;
  }
  int32_t row = TableIndexOf(name);
  if (row < 0) return -1;
  TTagEntry entry = EntryFromRow(IptcDatasetTable[size_t(row)]);
  entry.Value = value;
  return AddTag(entry);
}

int32_t TIPTCdata::AppendValue(std::string_view name, const std::string& value) {
  int32_t index = LookupIndex(name);
  if (index < 0) return SetValue(name, value);
  if (!value.empty()) {
    std::string& old = Entries[size_t(index)].Value;
    old += ',';
    old += value;
  }
  return index;
}

std::string TIPTCdata::ValueOf(std::string_view name, const std::string& defaultValue) const {
  int32_t index = LookupIndex(name);
  return index >= 0 ? Entries[size_t(index)].Value : defaultValue;
}

bool TIPTCdata::LoadFromFile(const std::filesystem::path& fileName) {
  Clear();
  if (!container_) return false;
  container_->ReadFile(fileName);
  if (container_->IptcSegment) ParseSegment(container_->IptcSegment->Bytes);
  return HasTags();
}

int32_t TIPTCdata::TableIndexOf(std::string_view name) {
  for (size_t i = 0; i < IptcDatasetTable.size(); ++i)
    if (SameName(IptcDatasetTable[i].Name, name)) return int32_t(i);
  return -1;
}

int32_t TIPTCdata::AddTag(const TTagEntry& entry) {
  if (entry.Dataset != 0) {
    if (Count() >= capacity_ - 1) capacity_ += 25;
    Entries.push_back(entry);
  }
  return Count() - 1;
}

void TIPTCdata::ParseContainerSegment() {
  if (container_ && container_->IptcSegment)
    ParseSegment(container_->IptcSegment->Bytes);
  else
    Clear();
}

void TIPTCdata::ParseSegment(std::string_view bytes) {
  Clear();
  // 0-based from here on: `read` is the index of a dataset's record byte.
  size_t signature = bytes.find(kPhotoshop);
  size_t from = signature == std::string_view::npos ? 12 : signature + kPhotoshop.size();
  size_t read = std::string_view::npos;
  for (size_t i = from; i + 1 < bytes.size(); ++i) {
    auto next = static_cast<uint8_t>(bytes[i + 1]);
    if (static_cast<uint8_t>(bytes[i]) == kDatasetMarker && (next == 2 || next == 8)) {
      read = i + 1;
      break;
    }
  }
  if (read == std::string_view::npos) return;
  // The coded character set stands in record 1, before the datasets it governs.
  Utf8 = bytes.substr(from, read - from).find(kUtf8CharacterSet) != std::string_view::npos;
  while (bytes.size() >= 3 && read < bytes.size() - 3) {
    auto record = static_cast<uint8_t>(bytes[read]);
    auto dataset = static_cast<uint8_t>(bytes[read + 1]);
    uint16_t size = *ReadU16(bytes, read + 2, true);
    std::string value = DecodeValue(bytes.substr(std::min(bytes.size(), read + 4), size), record, Utf8);
    read += 4 + size + 1;  // the byte after the value is taken to be the next marker
    TTagEntry entry = EntryForDataset(record, dataset, std::move(value));
    if (Repeatable(entry.Dataset))
      AppendValue(entry.Name, entry.Value);
    else
      AddTag(entry);
  }
}

std::vector<std::string> TIPTCdata::AsXmlLines() const {
  return XmlEntryLines("ITPCdata", Entries, true);
}

bool TIPTCdata::WritesUtf8() const {
  return Utf8 || std::any_of(Entries.begin(), Entries.end(),
                             [](const TTagEntry& entry) { return !Utf8ToCp1250(entry.Value).ok(); });
}

size_t TIPTCdata::StoredLength(std::string_view name) const {
  int32_t index = LookupIndex(name);
  if (index < 0) return 0;
  const TTagEntry& entry = Entries[size_t(index)];
  bool utf8 = WritesUtf8();
  size_t longest = 0;
  for (std::string_view piece : Pieces(entry)) longest = std::max(longest, EncodeValue(piece, entry.Record, utf8).size());
  return longest;
}

std::string TIPTCdata::OverlongMessage(std::string_view name) const {
  int32_t index = LookupIndex(name);
  if (index < 0) return {};
  const TTagEntry& entry = Entries[size_t(index)];
  size_t length = StoredLength(name);
  if (!LengthLimited(entry) || length <= size_t(entry.MaxSize)) return {};
  return "the " + entry.Description + " takes " + std::to_string(length) + " bytes, more than its limit of " +
         std::to_string(entry.MaxSize) + " bytes";
}

std::string TIPTCdata::RecodingOverflow() const {
  if (!WritesUtf8() || Utf8) return {};
  for (const TTagEntry& entry : Entries) {
    bool fitted = true;
    for (std::string_view piece : Pieces(entry)) fitted = fitted && DecodeUtf8(piece).size() <= size_t(entry.MaxSize);
    std::string message = OverlongMessage(entry.Name);
    if (fitted && !message.empty()) return message + " once written in UTF-8";
  }
  return {};
}

std::string TIPTCdata::BuildPayload() const {
  const bool utf8 = WritesUtf8();
  std::string datasets(utf8 ? kUtf8CharacterSet : std::string_view());
  datasets += kRecordVersion;
  for (const auto& entry : Entries)
    for (std::string_view piece : Pieces(entry))
      AppendDataset(datasets, entry.Record, entry.Dataset, EncodeValue(piece, entry.Record, utf8));
  if (datasets.size() % 2) datasets += '\0';
  size_t resourceSize = datasets.size();

  std::string payload(kPhotoshop);
  payload += '\0';
  payload += kResourceType;
  AppendU16(payload, kIptcResource, true);
  AppendU16(payload, 0, true);  // empty name
  AppendU32(payload, uint32_t(resourceSize & 0xFFFF), true);
  payload += datasets;
  payload += kResourceType;
  AppendU16(payload, kUrlListResource, true);
  AppendU16(payload, 0, true);
  AppendU32(payload, 0, true);
  return payload;
}

std::string TIPTCdata::BuildPayloadKeeping(std::string_view oldSegment) const {
  std::string payload = BuildPayload();
  if (oldSegment.size() > 2) payload += ResourcesToKeep(oldSegment.substr(2));
  return payload;
}

void TIPTCdata::UpdateXmp(const std::filesystem::path& targetName) {
  XmpTexts texts{ValueOf("ObjectName", ""), ValueOf("ImageCaption", ""), ValueOf("Category", "")};
  std::string error;
  std::optional<std::string> packet =
      XmpPacket::WithTexts(container_->XmpPacketText(), texts, kMaxXmpPacketBytes, error);
  if (!packet) throw FileError(targetName, error);
  container_->SetXmpPacket(*packet);
}

void TIPTCdata::SaveToFile(const std::filesystem::path& targetName, const std::filesystem::path& sourceName) {
  if (!container_) throw FileError(targetName, "no container to write through");
  if (std::string overflow = RecodingOverflow(); !overflow.empty()) throw FileError(targetName, overflow);
  if (container_->HasXmp()) UpdateXmp(targetName);
  JpegPicture picture = LoadJpegPicture(sourceName.empty() ? targetName : sourceName);
  std::string oldSegment = container_->IptcSegment ? container_->IptcSegment->Bytes : std::string();
  // The APP13 segment read from the file is replaced by the new one. When
  // other segments stand before it (an XMP block, say), the picture stream
  // still holds it; left there it would be a stale second copy of the old
  // values, so it goes.
  if (oldSegment.size() > 2) RemoveStaleSegment(picture.Stream, 0xED, oldSegment);
  container_->SetIptcSegment(BuildPayloadKeeping(oldSegment));
  container_->WriteWithPicture(picture, targetName, true);
}

}  // namespace pixaldo
