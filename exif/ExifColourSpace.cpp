#include "exif/ExifColourSpace.h"

#include <cstdint>
#include <optional>
#include <string>

#include "exif/JpegSegmentWalk.h"
#include "platform/ByteOrder.h"

namespace pixaldo {
namespace {

constexpr std::string_view kExifHeader{"Exif\0\0", 6};
constexpr uint16_t kExifPointerTag = 0x8769;
constexpr uint16_t kColorSpaceTag = 0xA001;
constexpr uint16_t kInteropPointerTag = 0xA005;
constexpr uint16_t kInteropIndexTag = 0x0001;
constexpr uint16_t kAsciiType = 2;
constexpr uint16_t kShortType = 3;
constexpr uint16_t kLongType = 4;

// One directory entry: its type, count and the 4-byte value field.
struct Entry {
  uint16_t type = 0;
  uint32_t count = 0;
  size_t valuePos = 0;
};

class TiffBlock {
 public:
  explicit TiffBlock(std::string_view block) : block_(block) {
    bigEndian_ = block_.starts_with("MM");
    valid_ = block_.size() >= 8 && (bigEndian_ || block_.starts_with("II")) && ReadU16(block_, 2, bigEndian_) == 42;
  }

  std::optional<uint32_t> FirstDirectory() const {
    return valid_ ? ReadU32(block_, 4, bigEndian_) : std::nullopt;
  }

  // The entry of `tag` in the directory at `offset`.
  std::optional<Entry> Find(uint32_t offset, uint16_t tag) const {
    const auto count = ReadU16(block_, offset, bigEndian_);
    if (!count) return std::nullopt;
    for (uint32_t i = 0; i < *count; ++i) {
      const size_t entry = size_t(offset) + 2 + 12 * size_t(i);
      const auto entryTag = ReadU16(block_, entry, bigEndian_);
      const auto type = ReadU16(block_, entry + 2, bigEndian_);
      const auto valueCount = ReadU32(block_, entry + 4, bigEndian_);
      if (!entryTag || !type || !valueCount || block_.size() - entry < 12) return std::nullopt;
      if (*entryTag == tag) return Entry{*type, *valueCount, entry + 8};
    }
    return std::nullopt;
  }

  // The directory a LONG pointer entry points at.
  std::optional<uint32_t> Pointer(std::optional<uint32_t> directory, uint16_t tag) const {
    if (!directory) return std::nullopt;
    const auto entry = Find(*directory, tag);
    if (!entry || entry->type != kLongType || entry->count != 1) return std::nullopt;
    return ReadU32(block_, entry->valuePos, bigEndian_);
  }

  std::optional<uint16_t> Short(std::optional<uint32_t> directory, uint16_t tag) const {
    if (!directory) return std::nullopt;
    const auto entry = Find(*directory, tag);
    if (!entry || entry->type != kShortType || entry->count != 1) return std::nullopt;
    return ReadU16(block_, entry->valuePos, bigEndian_);
  }

  // A text of at most four bytes (held in the value field itself).
  std::string_view ShortText(std::optional<uint32_t> directory, uint16_t tag) const {
    if (!directory) return {};
    const auto entry = Find(*directory, tag);
    if (!entry || entry->type != kAsciiType || entry->count > 4) return {};
    std::string_view text = block_.substr(entry->valuePos, entry->count);
    return text.substr(0, text.find('\0'));
  }

 private:
  std::string_view block_;
  bool bigEndian_ = false;
  bool valid_ = false;
};

std::string_view FirstExifBlock(std::string_view jpeg) {
  std::string_view block;
  WalkJpegSegments(jpeg, [&](uint8_t marker, size_t, std::string_view payload) {
    if (marker != 0xE1 || !payload.starts_with(kExifHeader)) return true;
    block = payload.substr(kExifHeader.size());
    return false;
  });
  return block;
}

}  // namespace

ExifColourSpace ReadExifColourSpace(std::string_view jpeg) {
  const TiffBlock tiff(FirstExifBlock(jpeg));
  const std::optional<uint32_t> exif = tiff.Pointer(tiff.FirstDirectory(), kExifPointerTag);
  const std::optional<uint16_t> space = tiff.Short(exif, kColorSpaceTag);
  if (space == 1) return ExifColourSpace::Srgb;
  if (space != 0xFFFF) return ExifColourSpace::None;
  const std::optional<uint32_t> interop = tiff.Pointer(exif, kInteropPointerTag);
  return tiff.ShortText(interop, kInteropIndexTag) == "R03" ? ExifColourSpace::AdobeRgb
                                                             : ExifColourSpace::Uncalibrated;
}

}  // namespace pixaldo
