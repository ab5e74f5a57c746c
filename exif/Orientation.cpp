#include "exif/Orientation.h"

#include <array>

#include "exif/JpegSegmentWalk.h"
#include "platform/ByteOrder.h"
#include "platform/FileError.h"
#include "platform/FileReader.h"

namespace pixaldo {
namespace {

// Each turn as the matrix that moves a pixel's offset from the picture's
// centre (x to the right, y downwards): x' = xx·x + xy·y, y' = yx·x + yy·y.
struct TurnRow {
  Orientation turn;
  int xx, xy, yx, yy;
  std::array<const char*, 2> switches;  // null ends the list
};

constexpr std::array<TurnRow, 8> kTurns{{
    {Orientation::Upright, 1, 0, 0, 1, {nullptr, nullptr}},
    {Orientation::MirrorLeftRight, -1, 0, 0, 1, {"-flip", "horizontal"}},
    {Orientation::Rotate180, -1, 0, 0, -1, {"-rotate", "180"}},
    {Orientation::MirrorTopBottom, 1, 0, 0, -1, {"-flip", "vertical"}},
    {Orientation::Transpose, 0, 1, 1, 0, {"-transpose", nullptr}},
    {Orientation::Rotate90, 0, -1, 1, 0, {"-rotate", "90"}},
    {Orientation::Transverse, 0, -1, -1, 0, {"-transverse", nullptr}},
    {Orientation::Rotate270, 0, 1, -1, 0, {"-rotate", "270"}},
}};

const TurnRow& RowOf(Orientation turn) { return kTurns[static_cast<size_t>(turn) - 1]; }

Orientation TurnWithMatrix(int xx, int xy, int yx, int yy) {
  for (const TurnRow& row : kTurns)
    if (row.xx == xx && row.xy == xy && row.yx == yx && row.yy == yy) return row.turn;
  return Orientation::Upright;  // unreachable: the eight turns are closed under composition
}

constexpr uint16_t kOrientationTag = 0x0112;
constexpr uint16_t kExifPointerTag = 0x8769;
constexpr uint16_t kExifWidthTag = 0xA002;
constexpr uint16_t kExifHeightTag = 0xA003;
constexpr uint16_t kShort = 3;
constexpr uint16_t kLong = 4;
constexpr std::string_view kExifHeader{"Exif\0\0", 6};

// Where the first EXIF block's TIFF header lies in the stream, and the size
// in the frame header.
struct StreamLayout {
  size_t tiff = 0;  // 0: no EXIF block
  size_t tiffLength = 0;
  int frameWidth = 0;
  int frameHeight = 0;
};

StreamLayout ScanStream(std::string_view s) {
  StreamLayout layout;
  WalkJpegSegments(s, [&](uint8_t marker, size_t pos, std::string_view payload) {
    if (marker == 0xE1 && layout.tiff == 0 && payload.starts_with(kExifHeader)) {
      layout.tiff = pos + 4 + kExifHeader.size();
      layout.tiffLength = payload.size() - kExifHeader.size();
    } else if (IsFrameHeaderMarker(marker) && payload.size() >= 5) {
      layout.frameHeight = *ReadU16(payload, 1, true);
      layout.frameWidth = *ReadU16(payload, 3, true);
    }
    return true;
  });
  return layout;
}

// A value field in the stream: its position and its type.
struct ValueField {
  size_t pos = 0;
  uint16_t type = 0;
};

// The values a turn makes stale, as far as the block holds them.
struct TurnFields {
  bool bigEndian = false;
  std::optional<ValueField> orientation;
  std::optional<ValueField> thumbOrientation;
  std::optional<ValueField> width;
  std::optional<ValueField> height;
};

class TiffWalker {
 public:
  TiffWalker(std::string_view stream, size_t tiff, size_t length)
      : block_(stream.substr(tiff, length)), base_(tiff) {}

  std::optional<TurnFields> Walk() {
    if (block_.size() < 8) return std::nullopt;
    if (block_.starts_with("MM"))
      fields_.bigEndian = true;
    else if (!block_.starts_with("II"))
      return std::nullopt;
    if (ReadU16(block_, 2, fields_.bigEndian) != 42) return std::nullopt;
    const uint32_t ifd0 = ReadU32(block_, 4, fields_.bigEndian).value_or(0);
    std::optional<uint32_t> exifIfd;
    const uint32_t ifd1 = Directory(ifd0, [&](uint16_t tag, const ValueField& field, uint32_t count) {
      if (tag == kOrientationTag) Keep(fields_.orientation, field, count, kShort);
      if (tag == kExifPointerTag && field.type == kLong) exifIfd = ReadU32(block_, field.pos, fields_.bigEndian);
      TakeSize(tag, field, count);
    });
    if (exifIfd && *exifIfd != ifd0)
      Directory(*exifIfd, [&](uint16_t tag, const ValueField& field, uint32_t count) { TakeSize(tag, field, count); });
    if (ifd1 != 0 && ifd1 != ifd0)
      Directory(ifd1, [&](uint16_t tag, const ValueField& field, uint32_t count) {
        if (tag == kOrientationTag) Keep(fields_.thumbOrientation, field, count, kShort);
      });
    // Positions in the stream from here on.
    for (std::optional<ValueField>* f :
         {&fields_.orientation, &fields_.thumbOrientation, &fields_.width, &fields_.height})
      if (*f) (*f)->pos += base_;
    return fields_;
  }

 private:
  // Calls `visit` for each entry of the directory at `offset` (the value
  // field's position within the block); returns the link to the next one.
  template <typename Visit>
  uint32_t Directory(uint32_t offset, Visit visit) const {
    const auto count = ReadU16(block_, offset, fields_.bigEndian);
    if (!count || block_.size() - offset < 2u + 12u * *count + 4u) return 0;
    for (uint32_t i = 0; i < *count; ++i) {
      const size_t entry = offset + 2 + 12 * size_t(i);
      visit(*ReadU16(block_, entry, fields_.bigEndian),
            ValueField{entry + 8, *ReadU16(block_, entry + 2, fields_.bigEndian)},
            *ReadU32(block_, entry + 4, fields_.bigEndian));
    }
    return *ReadU32(block_, offset + 2 + 12 * size_t(*count), fields_.bigEndian);
  }

  static void Keep(std::optional<ValueField>& slot, const ValueField& field, uint32_t count, uint16_t type) {
    if (!slot && count == 1 && field.type == type) slot = field;
  }

  void TakeSize(uint16_t tag, const ValueField& field, uint32_t count) {
    if (count != 1 || (field.type != kShort && field.type != kLong)) return;
    if (tag == kExifWidthTag && !fields_.width) fields_.width = field;
    if (tag == kExifHeightTag && !fields_.height) fields_.height = field;
  }

  std::string_view block_;
  size_t base_;
  TurnFields fields_;
};

std::optional<TurnFields> FindTurnFields(std::string_view jpeg, const StreamLayout& layout) {
  if (layout.tiff == 0) return std::nullopt;
  return TiffWalker(jpeg, layout.tiff, layout.tiffLength).Walk();
}

// Writes the value when it differs from the stored one; true when it did.
bool PutValue(std::string& jpeg, const std::optional<ValueField>& field, uint32_t value, bool bigEndian) {
  if (!field) return false;
  if (field->type == kShort) {
    if (value > 0xFFFF || ReadU16(jpeg, field->pos, bigEndian) == value) return false;
    return PutU16(jpeg, field->pos, uint16_t(value), bigEndian);
  }
  if (ReadU32(jpeg, field->pos, bigEndian) == value) return false;
  return PutU32(jpeg, field->pos, value, bigEndian);
}

}  // namespace

Orientation OrientationFromValue(int value) {
  return value >= 1 && value <= 8 ? static_cast<Orientation>(value) : Orientation::Upright;
}

Orientation Compose(Orientation first, Orientation then) {
  const TurnRow& a = RowOf(then);
  const TurnRow& b = RowOf(first);
  return TurnWithMatrix(a.xx * b.xx + a.xy * b.yx, a.xx * b.xy + a.xy * b.yy, a.yx * b.xx + a.yy * b.yx,
                        a.yx * b.xy + a.yy * b.yy);
}

Orientation Inverse(Orientation turn) {
  const TurnRow& r = RowOf(turn);
  return TurnWithMatrix(r.xx, r.yx, r.xy, r.yy);  // the matrices are orthogonal
}

bool SwapsSides(Orientation turn) { return RowOf(turn).xx == 0; }

std::vector<std::string> JpegTranSwitches(Orientation turn) {
  std::vector<std::string> switches;
  for (const char* word : RowOf(turn).switches)
    if (word) switches.emplace_back(word);
  return switches;
}

TurnPoint TurnPixel(Orientation turn, TurnPoint pixel, int width, int height) {
  const TurnRow& r = RowOf(turn);
  // Offsets from the centre, doubled so that they stay whole numbers.
  const int cx = 2 * pixel.x - (width - 1);
  const int cy = 2 * pixel.y - (height - 1);
  const int turnedWidth = SwapsSides(turn) ? height : width;
  const int turnedHeight = SwapsSides(turn) ? width : height;
  return {(r.xx * cx + r.xy * cy + turnedWidth - 1) / 2, (r.yx * cx + r.yy * cy + turnedHeight - 1) / 2};
}

Orientation ReadOrientation(std::string_view jpeg) {
  const auto fields = FindTurnFields(jpeg, ScanStream(jpeg));
  if (!fields || !fields->orientation) return Orientation::Upright;
  return OrientationFromValue(ReadU16(jpeg, fields->orientation->pos, fields->bigEndian).value_or(1));
}

std::string ReadExifHead(const std::filesystem::path& path) try {
  // The other segments are skipped without reading them; the file is opened
  // without waiting on a pipe or device named like a photo.
  const FileReader file(path);
  if (!StartsWithSoi(file.ReadAt(0, 2))) return {};
  int64_t at = 2;
  for (;;) {
    const std::string marker = file.ReadAt(at, 4);
    if (marker.size() < 4) break;
    const uint8_t code = uint8_t(marker[1]);
    if (uint8_t(marker[0]) != 0xFF || code == 0xDA || code == 0xD9 || IsStandaloneMarker(code) || code == 0xFF) break;
    const uint16_t length = *ReadU16(marker, 2, true);
    if (length < 2) break;
    if (code == 0xE1) {
      std::string segment = marker + file.ReadAt(at + 4, length - 2u);
      if (segment.size() != 2u + length) break;
      if (std::string_view(segment).substr(4).starts_with(kExifHeader)) return "\xFF\xD8" + segment;
    }
    at += 2 + int64_t(length);
  }
  return {};
} catch (const FileError&) {
  return {};
}

Orientation ReadFileOrientation(const std::filesystem::path& file) {
  // SOI and the first EXIF segment are all ReadOrientation needs.
  const std::string head = ReadExifHead(file);
  return head.empty() ? Orientation::Upright : ReadOrientation(head);
}

bool UpdateExifAfterTurn(std::string& jpeg, std::optional<Orientation> orientation) {
  const StreamLayout layout = ScanStream(jpeg);
  const auto fields = FindTurnFields(jpeg, layout);
  if (!fields) return false;
  bool changed = false;
  if (orientation) {
    const uint32_t value = static_cast<uint32_t>(*orientation);
    changed |= PutValue(jpeg, fields->orientation, value, fields->bigEndian);
    changed |= PutValue(jpeg, fields->thumbOrientation, value, fields->bigEndian);
  }
  if (layout.frameWidth > 0 && layout.frameHeight > 0) {
    changed |= PutValue(jpeg, fields->width, uint32_t(layout.frameWidth), fields->bigEndian);
    changed |= PutValue(jpeg, fields->height, uint32_t(layout.frameHeight), fields->bigEndian);
  }
  return changed;
}

}  // namespace pixaldo
