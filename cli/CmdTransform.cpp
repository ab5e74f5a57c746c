// rotate-left, rotate-right, flip-horizontal, flip-vertical, crop,
// auto-rotate and strip-metadata: the lossless transforms through jpegtran.
// Without --output the file is transformed in place; with it the result goes
// to OUT (replacing it) and FILE stays as it was. Rotations, flips and the
// crop act on the picture as shown upright by its EXIF orientation unless
// --no-auto-orient.
#include <cstdio>
#include <string>

#include "cli/Handlers.h"
#include "transforms/JpegTran.h"

namespace pixaldo::cli {
namespace {

// One transform as the viewer runs it, then prints the transformed file's
// path. The plan is made under the photo's lock, from what is read there.
int RunTransform(const Invocation& args, const std::filesystem::path& source, const TransformRequest& request,
                 bool refreshThumbnail) {
  std::optional<std::string> output = args.Value("output");
  if (output && output->empty()) throw UsageError("--output needs a file name");
  std::filesystem::path target = output ? std::filesystem::path(*output) : source;
  TJpegTran runner;
  std::filesystem::path result = runner.Transform(source, target, args.Flag("keep-date"), refreshThumbnail, request);
  if (runner.LastPlan().unchanged) PrintNote(source.string() + ": already upright\n");
  if (!runner.LastEdges().empty())
    PrintNote(result.string() + ": " + DescribeEdges(runner.LastEdges()) +
              " could not be turned losslessly and were left as they were; --trim drops them\n");
  if (!runner.LastNote().empty()) PrintNote(result.string() + ": " + runner.LastNote() + "\n");
  PrintText(result.string() + "\n");
  return 0;
}

// The request of a kind, as shown unless --no-auto-orient.
TransformRequest RequestFor(const Invocation& args, TransformKind kind, std::string_view geometry = {}) {
  return {kind, !args.Flag("no-auto-orient"), args.Flag("trim"), std::string(geometry), args.Flag("perfect")};
}

int RotateOrFlip(const Invocation& args, const std::filesystem::path& file, TransformKind kind) {
  if (args.Value("output") && args.Operands().size() > 1) throw UsageError("--output goes with one FILE only");
  return RunTransform(args, file, RequestFor(args, kind), !args.Flag("no-thumbnail"));
}

}  // namespace

int RotateLeft(const Invocation& args, const std::filesystem::path& file) {
  return RotateOrFlip(args, file, TransformKind::RotateLeft);
}
int RotateRight(const Invocation& args, const std::filesystem::path& file) {
  return RotateOrFlip(args, file, TransformKind::RotateRight);
}
int FlipHorizontal(const Invocation& args, const std::filesystem::path& file) {
  return RotateOrFlip(args, file, TransformKind::FlipHorizontal);
}
int FlipVertical(const Invocation& args, const std::filesystem::path& file) {
  return RotateOrFlip(args, file, TransformKind::FlipVertical);
}
int AutoRotate(const Invocation& args, const std::filesystem::path& file) {
  return RotateOrFlip(args, file, TransformKind::AutoRotate);
}

int Crop(const Invocation& args) {
  const std::filesystem::path file = args.Operand(0);
  const std::string& geometry = args.Operand(1);
  if (!IsCropGeometry(geometry)) throw UsageError("GEOMETRY must be WxH+X+Y in picture pixels, not " + geometry);
  return RunTransform(args, file, RequestFor(args, TransformKind::Crop, geometry), !args.Flag("no-thumbnail"));
}

int StripMetadata(const Invocation& args) {
  return RunTransform(args, args.Operand(0), RequestFor(args, TransformKind::MetadataDelete), true);
}

}  // namespace pixaldo::cli
