#include "iptc/IptcDatasets.h"

#include <algorithm>

namespace pixaldo {

const std::array<IptcDatasetRow, 49> IptcDatasetTable = {{
    {2, 0, "SKIP", "Record Version", 64},
    {2, 3, "ObjectType", "Object Type Ref", 67},
    {2, 4, "ObjectAttr", "Object Attribute Ref", 67, true},
    {2, 5, "ObjectName", "Object name", 64},
    {2, 7, "EditStatus", "Edit Status", 64},
    {2, 8, "EditorialUpdate", "Editorial Update", 2},
    {2, 10, "Urgency", "Urgency", 1},
    {2, 12, "SubRef", "Subject Reference", 236, true},
    {2, 15, "Category", "Category", 3},
    {2, 20, "SuppCategory", "Supplemental category", 32, true},
    {2, 22, "FixtureID", "Fixture ID", 32},
    {2, 25, "Keywords", "Keywords", 64, true},
    {2, 26, "ContentLocCode", "Content Location Code", 3, true},
    {2, 27, "ContentLocName", "Content Location Name", 64, true},
    {2, 30, "ReleaseDate", "Release Date", 8},
    {2, 35, "ReleaseTime", "Release Time", 11},
    {2, 37, "ExpireDate", "Expiration Date", 8},
    {2, 38, "ExpireTime", "Expiration Time", 11},
    {2, 40, "SpecialInstru", "Special Instructions", 256},
    {2, 42, "ActionAdvised", "Action Advised", 2},
    {2, 45, "RefService", "Reference Service", 10, true},
    {2, 47, "RefDate", "Reference Date", 8, true},
    {2, 50, "RefNumber", "Reference Number", 8, true},
    {2, 55, "DateCreated", "Date created", 8},
    {2, 60, "TimeCreated", "Time created", 11},
    {2, 62, "DigitizeDate", "Digital Creation Date", 8},
    {2, 63, "DigitizeTime", "Digital Creation Time", 11},
    {2, 65, "OriginatingProgram", "Originating Program", 32},
    {2, 70, "ProgramVersion", "Program version", 10},
    {2, 75, "ObjectCycle", "Object Cycle", 1},
    {2, 80, "ByLine", "ByLine", 32, true},
    {2, 85, "ByLineTitle", "ByLine Title", 32, true},
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
    {2, 118, "Contact", "Contact", 128, true},
    {2, 120, "ImageCaption", "Image caption", 2000},
    {2, 122, "ImageCaptionWriter", "Image caption writer", 32, true},
    {2, 130, "ImageType", "Image type", 2},
    {2, 131, "Orientation", "Image Orientation", 1},
    {2, 135, "LangID", "Language ID", 3},
    {8, 10, "Subfile", "Subfile", 2},
}};

namespace {

// Record-2 datasets that hold numbers or binary data, not text.
constexpr std::array<uint16_t, 5> kBinaryRecord2 = {0, 125, 200, 201, 202};
// The longest value a dataset holds without the extended length form.
constexpr size_t kStandardDatasetLimit = 0x7FFF;

// Limits the program holds values to instead of the table's length.
struct LimitOverride {
  uint16_t Record, Dataset;
  size_t Limit;
};
// The IIM allows the category 3 bytes; the names of the program's category
// list have always been longer, and other programs read them.
constexpr std::array<LimitOverride, 1> kLimitOverrides = {{{2, 15, 64}}};

}  // namespace

const IptcDatasetRow* FindIptcRow(uint16_t record, uint16_t dataset) {
  for (const auto& row : IptcDatasetTable)
    if (row.Record == record && row.Dataset == dataset) return &row;
  return nullptr;
}

size_t IptcWriteLimit(uint16_t record, uint16_t dataset) {
  for (const LimitOverride& limit : kLimitOverrides)
    if (limit.Record == record && limit.Dataset == dataset) return limit.Limit;
  const IptcDatasetRow* row = FindIptcRow(record, dataset);
  return row && dataset != 0 ? size_t(row->MaxSize) : kStandardDatasetLimit;
}

bool IsIptcText(uint16_t record, uint16_t dataset) {
  return record == 2 && std::find(kBinaryRecord2.begin(), kBinaryRecord2.end(), dataset) == kBinaryRecord2.end();
}

bool IsIptcRepeatable(uint16_t record, uint16_t dataset) {
  const IptcDatasetRow* row = FindIptcRow(record, dataset);
  return row && row->Repeatable;
}

}  // namespace pixaldo
