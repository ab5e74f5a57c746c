#pragma once
// The IPTC dataset table: names, descriptions, the length each dataset may
// take and which datasets may repeat, as data.
#include <array>
#include <cstdint>
#include <string_view>

namespace pixaldo {

// One row of the dataset table.
struct IptcDatasetRow {
  uint16_t Record;
  uint16_t Dataset;
  const char* Name;
  const char* Description;
  int32_t MaxSize;          // the longest value the dataset may hold, in bytes
  bool Repeatable = false;  // the dataset may stand several times, each one value
};

// The 49 datasets understood, searched in this order.
extern const std::array<IptcDatasetRow, 49> IptcDatasetTable;

// The row of a dataset, or null when the table has none.
const IptcDatasetRow* FindIptcRow(uint16_t record, uint16_t dataset);

// The most bytes a value written into the dataset may take: its table length,
// and for datasets without a row what a dataset can hold without the extended
// length form (which other programs do not read).
size_t IptcWriteLimit(uint16_t record, uint16_t dataset);

// Whether the dataset holds text in the record's character set (record 2,
// apart from its binary datasets).
bool IsIptcText(uint16_t record, uint16_t dataset);

// Whether the dataset may repeat.
bool IsIptcRepeatable(uint16_t record, uint16_t dataset);

}  // namespace pixaldo
