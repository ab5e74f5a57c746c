#pragma once
// One metadata tag: the row type of every tag table, the entries the EXIF
// reader keeps, and the IPTC datasets.
#include <cstdint>
#include <string>

namespace pixaldo {

// Turns the value text of an entry into the text shown to the user.
using TagFormatter = std::string (*)(const std::string& valueText);

struct TTagEntry {
  int32_t Group = 0;         // 0 generic EXIF, 1 maker-specific
  uint16_t ValueType = 0;    // EXIF value type code (1..12)
  uint16_t Record = 0;       // IPTC record number
  uint16_t Dataset = 0;      // tag or dataset number; 0 marks an empty record
  std::string Name;          // lookup key and XML element name
  std::string Description;   // label shown to the user
  std::string Codes;         // "number:label" pairs separated by commas
  std::string Value;         // formatted value text
  std::string RawValue;      // the value's bytes as stored
  int32_t ValuePos = 0;      // 1-based position of the value in the segment bytes; 0 when none
  std::string FormatText;    // printf-style template
  int32_t MaxSize = 0;       // length of RawValue in bytes
  TagFormatter Formatter = nullptr;
};

// The directory kinds of a walk; they choose the tag table.
enum DirectoryKind : int { MainDirectory = 1, GpsDirectory = 2, ThumbnailDirectory = 4 };

}  // namespace pixaldo
