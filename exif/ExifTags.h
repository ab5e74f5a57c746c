#pragma once
// The EXIF and GPS tag tables and the lookup of a row by tag number.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "exif/TagEntry.h"

namespace pixaldo {

// One row of a tag table as constant data; ToEntry() gives the TTagEntry
// (Group 0, everything but the row's own fields empty).
struct TagTableRow {
  constexpr TagTableRow(uint16_t dataset, std::string_view name, std::string_view description = {},
                        std::string_view codes = {}, std::string_view formatText = {},
                        TagFormatter formatter = nullptr)
      : Dataset(dataset), Name(name), Description(description), Codes(codes),
        FormatText(formatText), Formatter(formatter) {}

  uint16_t Dataset = 0;
  std::string_view Name;
  std::string_view Description;
  std::string_view Codes;
  std::string_view FormatText;
  TagFormatter Formatter = nullptr;

  TTagEntry ToEntry() const;
};

// The raw tables: ExifTagTableRows() has 251 rows, the last one being the
// "Unknown" row (Dataset 0); GpsTagTableRows() has 31. Descriptions are as
// preset (mostly empty); the completed rows come from FindTableRow.
std::span<const TagTableRow> ExifTagTableRows();
std::span<const TagTableRow> GpsTagTableRows();

// "ExposureBiasValue" -> "Exposure Bias Value", "ISOSpeedRatings" -> "ISOSpeed Ratings".
std::string SplitWords(std::string_view name);

// Fills every empty description from the row's name. Runs once per process
// (thread-safe); every lookup below runs it first, so calling it is optional.
void CompleteDescriptions();

// Copy of the completed row for a tag in the table of the directory kind
// (GPS table for GpsDirectory, EXIF table otherwise), or the "Unknown" row.
TTagEntry FindTableRow(uint16_t tag, DirectoryKind kind);
// The same row itself, without a copy.
const TTagEntry& TableRowOf(uint16_t tag, DirectoryKind kind);

// Copy of the first completed EXIF table row whose name matches without
// regard to letter case, or the "Unknown" row.
TTagEntry FindExifRowByName(std::string_view name);

}  // namespace pixaldo
