#include "transforms/UnturnedEdges.h"

#include <algorithm>
#include <array>

#include "exif/JpegSegmentWalk.h"
#include "platform/FileError.h"
#include "platform/FileReader.h"
#include "transforms/JpegTran.h"

namespace pixaldo {
namespace {

// A frame header's payload: precision, height, width, the number of
// components, then three bytes a component (id, sampling, table).
std::optional<JpegSize> ParseFrame(std::string_view payload) {
  if (payload.size() < 6) return std::nullopt;
  const auto byte = [&](size_t at) { return int(uint8_t(payload[at])); };
  const int components = byte(5);
  if (components == 0 || payload.size() < 6 + size_t(components) * 3) return std::nullopt;
  JpegSize frame;
  frame.height = (byte(1) << 8) | byte(2);
  frame.width = (byte(3) << 8) | byte(4);
  if (components == 1) return frame;  // a single component is turned in blocks of 8 × 8
  int horizontal = 1, vertical = 1;
  for (int i = 0; i < components; ++i) {
    const int sampling = byte(7 + size_t(i) * 3);
    horizontal = std::max(horizontal, sampling >> 4);
    vertical = std::max(vertical, sampling & 0x0F);
  }
  frame.blockWidth = 8 * horizontal;
  frame.blockHeight = 8 * vertical;
  return frame;
}

// Where each stored edge appears when the picture is shown turned by an
// orientation (index: orientation value - 1): the stored right edge, then
// the stored bottom edge.
constexpr std::array<std::array<PictureEdge, 2>, 8> kShownEdge{{
    {PictureEdge::Right, PictureEdge::Bottom},  // upright
    {PictureEdge::Left, PictureEdge::Bottom},   // mirrored left to right
    {PictureEdge::Left, PictureEdge::Top},      // turned 180°
    {PictureEdge::Right, PictureEdge::Top},     // mirrored top to bottom
    {PictureEdge::Bottom, PictureEdge::Right},  // transposed
    {PictureEdge::Bottom, PictureEdge::Left},   // turned 90° clockwise
    {PictureEdge::Top, PictureEdge::Left},      // transversed
    {PictureEdge::Top, PictureEdge::Right},     // turned 90° anticlockwise
}};

constexpr std::array<const char*, 4> kEdgeNames{"right", "bottom", "left", "top"};

}  // namespace

std::optional<JpegSize> FrameGeometryOf(std::string_view jpeg) {
  std::optional<JpegSize> frame;
  WalkJpegSegments(jpeg, [&](uint8_t marker, size_t, std::string_view payload) {
    if (!IsFrameHeaderMarker(marker)) return true;
    frame = ParseFrame(payload);
    return false;
  });
  return frame;
}

std::optional<JpegSize> ReadFrameGeometry(const std::filesystem::path& file) {
  const FileReader in(file);
  if (!StartsWithSoi(in.ReadAt(0, 2))) return std::nullopt;
  // Segment by segment, only the frame header's payload read: the segments
  // before it may be large (profiles, XMP) and are skipped by their lengths.
  int64_t pos = 2;
  for (;;) {
    const std::string head = in.ReadAt(pos, 4);
    if (head.size() < 2 || uint8_t(head[0]) != 0xFF) return std::nullopt;
    const uint8_t marker = uint8_t(head[1]);
    if (marker == 0xFF || IsStandaloneMarker(marker)) {
      pos += marker == 0xFF ? 1 : 2;
      continue;
    }
    const std::optional<uint16_t> length = ReadU16(head, 2, true);
    if (marker == 0xDA || marker == 0xD9 || !length || *length < 2) return std::nullopt;
    if (IsFrameHeaderMarker(marker)) return ParseFrame(in.ReadAt(pos + 4, size_t(*length) - 2));
    pos += 2 + int64_t(*length);
  }
}

std::vector<UnturnedEdge> UnturnedEdges(const JpegSize& frame, Orientation turn) {
  // The partial blocks of the stored right edge stay put where the turn
  // mirrors left and right; those of the bottom edge where it mirrors top
  // and bottom. A transposition moves them to the other side first.
  const int rightRest = frame.blockWidth > 0 ? frame.width % frame.blockWidth : 0;
  const int bottomRest = frame.blockHeight > 0 ? frame.height % frame.blockHeight : 0;
  std::vector<UnturnedEdge> edges;
  const auto add = [&](PictureEdge edge, int pixels) {
    if (pixels > 0) edges.push_back({edge, pixels});
  };
  switch (turn) {
    case Orientation::MirrorLeftRight: add(PictureEdge::Right, rightRest); break;
    case Orientation::MirrorTopBottom: add(PictureEdge::Bottom, bottomRest); break;
    case Orientation::Rotate180:
      add(PictureEdge::Right, rightRest);
      add(PictureEdge::Bottom, bottomRest);
      break;
    case Orientation::Rotate90: add(PictureEdge::Right, bottomRest); break;
    case Orientation::Rotate270: add(PictureEdge::Bottom, rightRest); break;
    case Orientation::Transverse:
      add(PictureEdge::Right, bottomRest);
      add(PictureEdge::Bottom, rightRest);
      break;
    case Orientation::Upright:
    case Orientation::Transpose: break;
  }
  return edges;
}

std::vector<UnturnedEdge> ShownEdges(std::vector<UnturnedEdge> edges, Orientation shown) {
  const auto& row = kShownEdge[size_t(shown) - 1];
  for (UnturnedEdge& edge : edges) edge.edge = row[edge.edge == PictureEdge::Right ? 0 : 1];
  return edges;
}

std::vector<UnturnedEdge> UnturnedEdgesOf(const std::filesystem::path& file, const JpegTranPlan& plan,
                                          Orientation stored) {
  if (plan.unchanged || plan.trimmed || plan.turn == Orientation::Upright) return {};
  const std::optional<JpegSize> frame = ReadFrameGeometry(file);
  if (!frame) return {};  // jpegtran reports what it cannot read
  return ShownEdges(UnturnedEdges(*frame, plan.turn), plan.orientation.value_or(stored));
}

std::vector<UnturnedEdge> UnturnedEdgesIn(std::string_view head, const JpegTranPlan& plan, Orientation stored) {
  if (plan.unchanged || plan.trimmed || plan.turn == Orientation::Upright) return {};
  const std::optional<JpegSize> frame = FrameGeometryOf(head);
  if (!frame) return {};
  return ShownEdges(UnturnedEdges(*frame, plan.turn), plan.orientation.value_or(stored));
}

std::vector<PhotoEdges> PhotosWithUnturnedEdges(const std::vector<PlannedPhoto>& run) {
  std::vector<PhotoEdges> found;
  for (const PlannedPhoto& photo : run) {
    if (!photo.plan) continue;
    try {
      std::vector<UnturnedEdge> edges = UnturnedEdgesOf(photo.file, *photo.plan, photo.stored);
      if (!edges.empty()) found.push_back({photo.file, std::move(edges)});
    } catch (const FileError&) {
    }
  }
  return found;
}

std::string DescribeEdge(const UnturnedEdge& edge) {
  return "the last " + std::to_string(edge.pixels) + " pixels of the " + kEdgeNames[size_t(edge.edge)] + " edge";
}

std::string DescribeEdges(const std::vector<UnturnedEdge>& edges) {
  std::string text;
  for (const UnturnedEdge& edge : edges) text += (text.empty() ? "" : " and ") + DescribeEdge(edge);
  return text;
}

}  // namespace pixaldo
