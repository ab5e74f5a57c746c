#include "iptc/IptcData.h"

#include <algorithm>

#include "exif/ExifData.h"
#include "exif/ExifWrite.h"
#include "exif/XmlText.h"
#include "platform/ByteOrder.h"
#include "platform/FileError.h"
#include "xmp/XmpPacket.h"

namespace pixaldo {
namespace {

constexpr std::string_view kPhotoshop = "Photoshop 3.0";
constexpr std::string_view kResourceType = "8BIM";
constexpr uint16_t kIptcResource = 0x0404;
constexpr uint16_t kUrlListResource = 0x040B;
// Room for an XMP packet in one APP1 segment: the length field and the
// identifier take the rest.
constexpr size_t kMaxXmpPacketBytes = 0xFFFF - 2 - kXmpIdentifier.size();

char Upper(char ch) { return (ch >= 'a' && ch <= 'z') ? char(ch - 'a' + 'A') : ch; }

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return Upper(x) == Upper(y);
         });
}

TTagEntry EntryFor(uint8_t record, uint8_t number) {
  TTagEntry entry;
  entry.Record = record;
  entry.Dataset = number;
  if (const IptcDatasetRow* row = FindIptcRow(record, number)) {
    entry.Name = row->Name;
    entry.Description = row->Description;
    entry.MaxSize = row->MaxSize;
  } else {
    entry.Name = "Custom_" + std::to_string(number);
    entry.Description = entry.Name;
    entry.MaxSize = 64;
  }
  return entry;
}

std::string_view Payload(std::string_view segmentBytes) { return segmentBytes.substr(std::min<size_t>(2, segmentBytes.size())); }

}  // namespace

TIPTCdata::TIPTCdata(TimgData* container) : container_(container) {}

TTagEntry TIPTCdata::GetTag(int32_t index) const {
  if (index < 0 || index >= Count()) return {};
  return Entries[size_t(index)];
}

void TIPTCdata::Clear() {
  record_.Clear();
  Entries.clear();
  Utf8 = false;
}

void TIPTCdata::RebuildEntries() {
  Entries.clear();
  for (const IptcDataset& dataset : record_.Datasets()) {
    // Record 2 and the one dataset of record 8 understood.
    const bool shown = dataset.Record == 2 || (dataset.Record == 8 && FindIptcRow(8, dataset.Number));
    if (!shown || dataset.Number == 0) continue;
    const std::string text = record_.Text(dataset);
    if (IsIptcRepeatable(dataset.Record, dataset.Number)) {
      auto same = std::find_if(Entries.begin(), Entries.end(), [&](const TTagEntry& entry) {
        return entry.Record == dataset.Record && entry.Dataset == dataset.Number;
      });
      if (same != Entries.end()) {
        same->Value += ',' + text;
        continue;
      }
    }
    TTagEntry entry = EntryFor(dataset.Record, dataset.Number);
    entry.Value = text;
    if (Count() >= capacity_ - 1) capacity_ += 25;
    Entries.push_back(std::move(entry));
  }
}

int32_t TIPTCdata::LookupIndex(std::string_view name) const {
  for (size_t i = 0; i < Entries.size(); ++i)
    if (SameName(Entries[i].Name, name)) return int32_t(i);
  return -1;
}

void TIPTCdata::DeleteByName(std::string_view name) {
  const int32_t index = LookupIndex(name);
  if (index < 0) return;
  const TTagEntry& entry = Entries[size_t(index)];
  const auto record = uint8_t(entry.Record), number = uint8_t(entry.Dataset);
  if (IsIptcRepeatable(record, number))
    record_.SetTexts(record, number, {});
  else
    record_.Remove(record, number, 0);
  RebuildEntries();
}

int32_t TIPTCdata::SetValue(std::string_view name, const std::string& value) {
  const int32_t index = LookupIndex(name);
  if (index >= 0) {
    if (value.empty()) return index;
    const TTagEntry& entry = Entries[size_t(index)];
    const auto record = uint8_t(entry.Record), number = uint8_t(entry.Dataset);
    if (IsIptcRepeatable(record, number))
      record_.SetTexts(record, number, {value});
    else
      record_.SetText(record, number, 0, value);
    RebuildEntries();
    return LookupIndex(name);
  }
  const int32_t row = TableIndexOf(name);
  if (row < 0) return -1;
  record_.Append(uint8_t(IptcDatasetTable[size_t(row)].Record), uint8_t(IptcDatasetTable[size_t(row)].Dataset), value);
  RebuildEntries();
  return LookupIndex(name);
}

int32_t TIPTCdata::AppendValue(std::string_view name, const std::string& value) {
  const int32_t index = LookupIndex(name);
  if (index < 0) return SetValue(name, value);
  if (value.empty()) return index;
  const TTagEntry& entry = Entries[size_t(index)];
  const auto record = uint8_t(entry.Record), number = uint8_t(entry.Dataset);
  if (IsIptcRepeatable(record, number))
    record_.Append(record, number, value);
  else
    record_.SetText(record, number, 0, entry.Value + ',' + value);
  RebuildEntries();
  return LookupIndex(name);
}

std::string TIPTCdata::ValueOf(std::string_view name, const std::string& defaultValue) const {
  const int32_t index = LookupIndex(name);
  return index >= 0 ? Entries[size_t(index)].Value : defaultValue;
}

bool TIPTCdata::LoadFromFile(const std::filesystem::path& fileName) {
  Clear();
  if (!container_) return false;
  container_->ReadFile(fileName);
  if (container_->IptcSegment) ParseContainerSegment();
  return HasTags();
}

int32_t TIPTCdata::TableIndexOf(std::string_view name) {
  for (size_t i = 0; i < IptcDatasetTable.size(); ++i)
    if (SameName(IptcDatasetTable[i].Name, name)) return int32_t(i);
  return -1;
}

int32_t TIPTCdata::AddTag(const TTagEntry& entry) {
  if (entry.Dataset != 0) {
    record_.Append(uint8_t(entry.Record), uint8_t(entry.Dataset), entry.Value);
    RebuildEntries();
  }
  return Count() - 1;
}

void TIPTCdata::ParseContainerSegment() {
  if (!container_ || !container_->IptcSegment) return Clear();
  std::vector<std::string_view> payloads;
  for (const tSection* segment : container_->AllIptcSegments()) payloads.push_back(Payload(segment->Bytes));
  TimgData* container = container_;
  record_.Read(payloads, [container] { return XmpPacket::ReadTexts(container->XmpPacketText()); });
  Utf8 = record_.Marked() && record_.ReadCodePage() == CodePage::Utf8;
  RebuildEntries();
}

void TIPTCdata::ParseSegment(std::string_view bytes) {
  record_.Read({Payload(bytes)});
  Utf8 = record_.Marked() && record_.ReadCodePage() == CodePage::Utf8;
  RebuildEntries();
}

std::vector<std::string> TIPTCdata::AsXmlLines() const { return XmlEntryLines("ITPCdata", Entries, true); }

bool TIPTCdata::WritesUtf8() const {
  if (record_.WriteCodePage() != CodePage::Utf8) return false;
  return std::any_of(Entries.begin(), Entries.end(), [](const TTagEntry& entry) { return HasNonAscii(entry.Value); });
}

size_t TIPTCdata::StoredLength(std::string_view name) const {
  const int32_t index = LookupIndex(name);
  if (index < 0) return 0;
  const TTagEntry& entry = Entries[size_t(index)];
  const CodePage page = record_.WriteCodePage();
  size_t longest = 0;
  for (const std::string& text : record_.Texts(uint8_t(entry.Record), uint8_t(entry.Dataset)))
    longest = std::max(longest, EncodeText(text, page).value_or(text).size());
  return longest;
}

std::string TIPTCdata::OverlongMessage(std::string_view name) const {
  const int32_t index = LookupIndex(name);
  if (index < 0) return {};
  const TTagEntry& entry = Entries[size_t(index)];
  const size_t length = StoredLength(name);
  const size_t limit = IptcWriteLimit(entry.Record, entry.Dataset);
  if (length <= limit) return {};
  return "the " + entry.Description + " takes " + std::to_string(length) + " bytes, more than its limit of " +
         std::to_string(limit) + " bytes";
}

std::string TIPTCdata::BuildPayload() const {
  std::string datasets = record_.BuildDatasets();
  if (datasets.size() % 2) datasets += '\0';
  std::string payload(kPhotoshop);
  payload += '\0';
  payload += kResourceType;
  AppendU16(payload, kIptcResource, true);
  AppendU16(payload, 0, true);  // empty name
  AppendU32(payload, uint32_t(datasets.size() & 0xFFFF), true);
  payload += datasets;
  payload += kResourceType;
  AppendU16(payload, kUrlListResource, true);
  AppendU16(payload, 0, true);
  AppendU32(payload, 0, true);
  return payload;
}

std::string TIPTCdata::BuildMergedPayload() const { return BuildPayload() + record_.OtherResources(); }

std::string TIPTCdata::BuildPayloadKeeping(std::string_view oldSegment) const {
  IptcRecord old;
  old.Read({Payload(oldSegment)});
  return BuildPayload() + old.OtherResources();
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
  std::string payload;
  try {
    payload = BuildMergedPayload();
  } catch (const IptcRefusal& refusal) {
    throw FileError(targetName, refusal.what());
  }
  if (container_->HasXmp()) UpdateXmp(targetName);
  JpegPicture picture = LoadJpegPicture(sourceName.empty() ? targetName : sourceName);
  // Every APP13 segment read is carried over into the new one: those that
  // stand further on in the picture stream go (the first one, when it leads
  // the stream, is replaced anyway).
  for (const tSection* segment : container_->AllIptcSegments())
    if (segment->Bytes.size() > 2) RemoveStaleSegment(picture.Stream, 0xED, segment->Bytes);
  container_->SetIptcSegment(payload);
  container_->WriteWithPicture(picture, targetName, true);
}

}  // namespace pixaldo
