// The focal length on 35 mm film, computed from the focal length, the
// picture size and the focal plane resolution when the file does not give it.
#include <algorithm>
#include <array>
#include <cmath>
#include <string_view>

#include "exif/ExifData.h"
#include "exif/ExifFormat.h"
#include "exif/ExifTags.h"
#include "platform/LocaleFormats.h"

namespace pixaldo {
namespace {

constexpr int kUnitInch = 2;
constexpr int kUnitCentimetre = 3;

// The entries the computation reads (table names).
constexpr std::array<std::string_view, 6> kEntriesRead{"FocalLengthin35mmFilm", "FocalPlaneResolutionUnit",
                                                       "ResolutionUnit",        "FocalLength",
                                                       "FocalPlaneXResolution", "FocalPlaneYResolution"};

// Millimetres per resolution unit; 0 for units that cannot be converted.
double MillimetresPerUnit(int32_t unit) {
  if (unit == kUnitInch) return 25.4;
  if (unit == kUnitCentimetre) return 10.0;
  return 0;
}

}  // namespace

bool TImageInfo::FocalLength35Reads(std::string_view name) {
  return std::find(kEntriesRead.begin(), kEntriesRead.end(), name) != kEntriesRead.end();
}

void TImageInfo::AddFocalLength35() {
  if (LookupIndex("FocalLengthin35mmFilm") >= 0) return;

  int32_t unit = IntegerOf("FocalPlaneResolutionUnit");
  if (unit <= 0) unit = IntegerOf("ResolutionUnit");
  const double perUnit = MillimetresPerUnit(unit);
  if (perUnit == 0) return;

  const double focalLength = NumberOf("FocalLength");
  if (focalLength == 0) return;

  double sensorWidth = 0;
  double sensorHeight = 0;
  if (int32_t x = IntegerOf("FocalPlaneXResolution"); x > 0) sensorWidth = Width * perUnit / x;
  if (int32_t y = IntegerOf("FocalPlaneYResolution"); y > 0) sensorHeight = Height * perUnit / y;
  if (!(sensorWidth * sensorHeight > 0)) return;

  const double factor = kFilmDiagonal35 / std::hypot(sensorWidth, sensorHeight);
  TTagEntry entry = FindExifRowByName("FocalLengthIn35mmFilm");
  entry.Value = FormatFloat("%5.2f", focalLength * factor);
  entry.RawValue.clear();
  entry.MaxSize = 0;
  entry.FormatText = "%s mm";
  entry.ValueType = 10;
  entry.ValuePos = 0;
  entry.Group = 0;
  AddTag(entry);
}

}  // namespace pixaldo
