#pragma once
// Edits of the press fields of a photo: which fields the user typed into,
// their byte limits, and the write of only those fields into what the
// photo holds now (its other fields, keywords and rating untouched).
#include <array>
#include <filesystem>
#include <optional>
#include <string>

#include "iptc/PressFields.h"

namespace pixaldo {

using PressTexts = std::array<std::string, kPressFieldCount>;
// A text for each field typed into; nothing for a field left alone.
using PressEdits = std::array<std::optional<std::string>, kPressFieldCount>;

class TPressEdits {
 public:
  // The most bytes the field's dataset holds.
  static size_t Limit(PressField field);
  // The first field typed into whose text (UTF-8) cannot fit its dataset
  // however the record is written (a character a byte where Windows-1250
  // has it); nothing when every one can.
  static std::optional<PressField> TooLong(const PressEdits& edits);
  // The press fields the photo holds (UTF-8, IPTC falling back to XMP).
  static PressTexts Read(const std::filesystem::path& file);
  // Writes the typed fields that differ from what the photo holds now; the
  // caller holds the photo's lock. Whether the file was written. Throws
  // FileError (also naming the field and its limit for a text too long).
  static bool Write(const std::filesystem::path& file, const PressEdits& edits);
};

}  // namespace pixaldo
