#include "photo_record/ExifRating.h"

#include "platform/ByteOrder.h"

namespace pixaldo {
namespace {

constexpr size_t kTiffStart = 2 + 6;  // the length field and "Exif\0\0"
constexpr uint16_t kRating = 0x4746;
constexpr uint16_t kRatingPercent = 0x4749;
constexpr uint16_t kShort = 3;
constexpr uint16_t kLong = 4;
// The percentages other programs write for each number of stars.
constexpr int kPercent[] = {0, 1, 25, 50, 75, 99};

// Writes `value` into the one-value SHORT or LONG entry at `entry`.
void PutValue(std::string& bytes, size_t entry, uint32_t value, bool big) {
  const auto type = ReadU16(bytes, entry + 2, big);
  const auto count = ReadU32(bytes, entry + 4, big);
  if (!type || !count || *count != 1) return;
  if (*type == kShort) PutU16(bytes, entry + 8, uint16_t(value), big);
  if (*type == kLong) PutU32(bytes, entry + 8, value, big);
}

}  // namespace

void TExifRating::Set(std::string& segment, int stars) {
  if (stars < 0 || stars > 5 || segment.size() < kTiffStart + 8) return;
  const std::string_view order = std::string_view(segment).substr(kTiffStart, 2);
  if (order != "MM" && order != "II") return;
  const bool big = order == "MM";
  const auto first = ReadU32(segment, kTiffStart + 4, big);
  if (!first || *first > segment.size()) return;
  const size_t directory = kTiffStart + *first;
  const auto entries = ReadU16(segment, directory, big);
  if (!entries) return;
  for (size_t i = 0; i < *entries; ++i) {
    const size_t entry = directory + 2 + 12 * i;
    const auto tag = ReadU16(segment, entry, big);
    if (!tag || entry + 12 > segment.size()) return;
    if (*tag == kRating) PutValue(segment, entry, uint32_t(stars), big);
    if (*tag == kRatingPercent) PutValue(segment, entry, uint32_t(kPercent[stars]), big);
  }
}

}  // namespace pixaldo
