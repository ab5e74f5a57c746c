#pragma once
// Turning the raw bytes of an EXIF entry into its display text and its
// numeric value, and the formatting routines attached to particular tags.
// The byte order is always passed in: the reader knows it per block (and the
// maker notes may switch it).
#include <cstdint>
#include <string>
#include <string_view>

#include "exif/TagEntry.h"

namespace pixaldo {

// Separator between the values of a multi-valued entry.
inline constexpr std::string_view kValueSeparator = ", ";
// Diagonal of the 35 mm film frame in millimetres.
inline constexpr double kFilmDiagonal35 = 43.26661531;

// Bytes per value of an EXIF value type (1..12); 0 for code 0 and codes above 12.
int BytesPerFormat(int type);

// The bytes combined in the given order (big-endian: first byte most
// significant), keeping the low 32 bits, read as a signed 32-bit integer.
int32_t BytesToInt(std::string_view bytes, bool bigEndian);

// The value text of an entry: up to 8 values separated by ", ", decoded
// through the code list and put into the format template when those are set.
std::string FormatValue(std::string_view raw, int type, std::string_view codes,
                        std::string_view format, bool bigEndian);

// The entry as a number: integers combined over all bytes, the first rational,
// IEEE single/double for types 11 and 12, 0 otherwise.
double NumericValue(std::string_view raw, int type, bool bigEndian);

// The label of a value in a "number:label,number:label" list; empty when the
// value is not listed. Entries separated by ", " are not found (only the first
// entry of such a list can match).
std::string DecodeCode(std::string_view codes, std::string_view value);

// At most the first 50 characters, control characters shown as ".".
std::string MakePrintable(std::string_view text);

// "N/D" or "W N/D" as a number; 0 when the text does not parse or D is 0.
double ParseFraction(std::string_view text);

// Display text of an entry of the given raw value and type found as `row`
// in a tag table: ASCII without its last byte, undefined bytes in double
// quotes, other types through FormatValue; then the row's routine, or
// MakePrintable when it has none. May throw std::runtime_error from a routine.
std::string DisplayText(const TTagEntry& row, std::string_view raw, int type, bool bigEndian);

// Formatting routines (TagFormatter): value text in, display text out.
std::string FormatFlash(const std::string& text);             // throws on a non-integer
std::string FormatShutterSpeed(const std::string& text);      // exposure time from an APEX value
std::string FormatComponentsConfiguration(const std::string& text);
std::string FormatUcs2Text(const std::string& text);
std::string FormatGpsCoordinate(const std::string& text);
std::string FormatGpsTime(const std::string& text);
// The reader replaces the user comment's display text itself; this keeps the text.
std::string FormatUserComment(const std::string& text);

}  // namespace pixaldo
