#pragma once
// The EXIF orientation (tag 0x0112): how the stored picture must be turned to
// stand upright. The eight turns form a group; any two compose into one of
// them, and each is one lossless jpegtran operation.
//
// Also the few EXIF values a turn of the pixels makes stale, found and
// rewritten in place in a JPEG byte stream: the orientation of the main and
// the thumbnail directory and ExifImageWidth/ExifImageHeight. Everything
// else in the stream stays byte for byte as it was.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pixaldo {

// The tag's values: the turn that makes the stored picture upright.
enum class Orientation : uint8_t {
  Upright = 1,
  MirrorLeftRight = 2,
  Rotate180 = 3,
  MirrorTopBottom = 4,
  Transpose = 5,  // mirror along the top-left to bottom-right diagonal
  Rotate90 = 6,   // clockwise
  Transverse = 7, // mirror along the other diagonal
  Rotate270 = 8,  // clockwise, that is 90° counter-clockwise
};

// A tag value; anything outside 1..8 counts as upright.
Orientation OrientationFromValue(int value);
// The turn `first` followed by `then`, as one turn.
Orientation Compose(Orientation first, Orientation then);
Orientation Inverse(Orientation turn);
// Whether the turn exchanges width and height.
bool SwapsSides(Orientation turn);
// jpegtran's switches that perform the turn ("-rotate", "90"); none for Upright.
std::vector<std::string> JpegTranSwitches(Orientation turn);

struct TurnPoint {
  int x = 0;
  int y = 0;
};
// Where pixel (x, y) of a width × height picture lies after the turn.
TurnPoint TurnPixel(Orientation turn, TurnPoint pixel, int width, int height);

// The orientation in the first EXIF APP1 segment of a JPEG stream: Upright
// without EXIF, without the tag or with a tag that is not a SHORT.
Orientation ReadOrientation(std::string_view jpeg);
// The same for a file, reading only its segments before the picture data;
// Upright when the file cannot be read.
Orientation ReadFileOrientation(const std::filesystem::path& file);
// SOI and the file's first EXIF APP1 segment, read without the segments
// after it and the picture data; empty when the file has none or cannot be
// read.
std::string ReadExifHead(const std::filesystem::path& file);

// After a lossless turn: writes `orientation` (when given) over the main and
// the thumbnail directory's orientation values that are stored, and the size
// of the stream's own frame over ExifImageWidth/ExifImageHeight where they
// are stored and differ. Values keep their byte order and type; nothing is
// added. True when a byte changed.
bool UpdateExifAfterTurn(std::string& jpeg, std::optional<Orientation> orientation);

}  // namespace pixaldo
