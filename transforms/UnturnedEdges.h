#pragma once
// The edges a lossless turn leaves unturned. jpegtran moves whole blocks
// (8 or 16 pixels a side, as the colour sampling makes them); where a side
// of the picture is not a multiple of its block, the partial blocks along
// it cannot go where the turn would put them. Without "-trim" jpegtran
// leaves them where they were, a strip of unturned pixels along one edge
// of its output; with "-trim" it drops them; with "-perfect" it refuses.
//
// The viewer asks before such a transform, the command line warns (or
// refuses with --perfect), and a run over many photos asks once for all:
//
//   const std::vector<UnturnedEdge> edges = UnturnedEdgesOf(file, plan, stored);
//   if (!edges.empty()) ... EdgeSentence(edges[0]) ...
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "exif/Orientation.h"
#include "photo_view/JpegDecoder.h"  // JpegSize: the frame's size and the size of its blocks

namespace pixaldo {

struct JpegTranPlan;

enum class PictureEdge : uint8_t { Right, Bottom, Left, Top };

// A strip of `pixels` rows or columns along `edge` that is left as it was.
struct UnturnedEdge {
  PictureEdge edge = PictureEdge::Right;
  int pixels = 0;
  bool operator==(const UnturnedEdge&) const = default;
};

// The frame of the first frame header in a JPEG stream's segments, with the
// blocks jpegtran turns: 8 × 8 for a single component, else 8 times the
// largest sampling factors. Nothing when the segments end before one.
std::optional<JpegSize> FrameGeometryOf(std::string_view jpeg);
// The same read from a file's segments up to the frame header, the picture
// data never read. Throws FileError when the file cannot be read.
std::optional<JpegSize> ReadFrameGeometry(const std::filesystem::path& file);

// The edges of jpegtran's output, as stored, that `turn` of the stored
// pixels without "-trim" leaves unturned (right, then bottom).
std::vector<UnturnedEdge> UnturnedEdges(const JpegSize& frame, Orientation turn);
// Those edges as the output is shown, turned upright by `shown`.
std::vector<UnturnedEdge> ShownEdges(std::vector<UnturnedEdge> edges, Orientation shown);

// The edges a plan leaves unturned in the picture as its result is shown
// (the file's stored orientation `stored` kept where the plan writes none);
// none for a plan that trims, changes nothing or turns nothing. Throws
// FileError when the file cannot be read.
std::vector<UnturnedEdge> UnturnedEdgesOf(const std::filesystem::path& file, const JpegTranPlan& plan,
                                          Orientation stored);
// The same judged by the frame header among a file's segments `head` read
// already (the runner's, under the photo's lock).
std::vector<UnturnedEdge> UnturnedEdgesIn(std::string_view head, const JpegTranPlan& plan, Orientation stored);

// For a run over several photos, asked about once: each photo whose
// transform leaves edges unturned, in the order given.
struct PhotoEdges {
  std::filesystem::path file;
  std::vector<UnturnedEdge> edges;
};
struct PlannedPhoto {
  std::filesystem::path file;
  const JpegTranPlan* plan = nullptr;
  Orientation stored = Orientation::Upright;
};
// Photos that cannot be read are left out: their own transform reports them.
std::vector<PhotoEdges> PhotosWithUnturnedEdges(const std::vector<PlannedPhoto>& run);

// "the last 8 pixels of the right edge": how the command line names a strip.
std::string DescribeEdge(const UnturnedEdge& edge);
// The strips joined with " and ".
std::string DescribeEdges(const std::vector<UnturnedEdge>& edges);

}  // namespace pixaldo
