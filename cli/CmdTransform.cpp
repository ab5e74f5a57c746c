// rotate-left, rotate-right, flip-horizontal, flip-vertical, crop,
// auto-rotate and strip-metadata: the lossless transforms through jpegtran.
// Without --output the file is transformed in place; with it the result goes
// to OUT (replacing it) and FILE stays as it was. Rotations, flips and the
// crop act on the picture as shown upright by its EXIF orientation unless
// --no-auto-orient.
#include <cstdio>
#include <string>
#include <utility>

#include "cli/Handlers.h"
#include "photo_view/JpegDecoder.h"
#include "platform/FileError.h"
#include "transforms/JpegTran.h"

namespace pixaldo::cli {
namespace {

// One transform as the viewer runs it, then prints the transformed file's path.
int RunTransform(const Invocation& args, const std::filesystem::path& source, const JpegTranPlan& plan,
                 bool refreshThumbnail) {
  std::optional<std::string> output = args.Value("output");
  if (output && output->empty()) throw UsageError("--output needs a file name");
  std::filesystem::path target = output ? std::filesystem::path(*output) : source;
  TJpegTran runner;
  std::filesystem::path result = runner.Transform(source, target, args.Flag("keep-date"), refreshThumbnail, plan);
  if (plan.unchanged) PrintNote(source.string() + ": already upright\n");
  if (!runner.LastNote().empty()) PrintNote(result.string() + ": " + runner.LastNote() + "\n");
  PrintText(result.string() + "\n");
  return 0;
}

// The plan of a kind for a file, as shown unless --no-auto-orient.
JpegTranPlan PlanFor(const Invocation& args, const std::filesystem::path& file, TransformKind kind,
                      std::string_view geometry = {}) {
  return TJpegTran::Plan(kind, ReadFileOrientation(file), !args.Flag("no-auto-orient"), args.Flag("trim"), geometry);
}

int RotateOrFlip(const Invocation& args, const std::filesystem::path& file, TransformKind kind) {
  if (args.Value("output") && args.Operands().size() > 1) throw UsageError("--output goes with one FILE only");
  return RunTransform(args, file, PlanFor(args, file, kind), !args.Flag("no-thumbnail"));
}

// jpegtran would cut a frame reaching beyond the picture short without a
// word: a frame that does not lie inside the picture as the coordinates see
// it (upright, or as stored) is refused.
void CheckCropInside(const std::filesystem::path& file, std::string_view geometry, bool asShown) {
  unsigned width = 0, height = 0, x = 0, y = 0;
  std::sscanf(std::string(geometry).c_str(), "%ux%u+%u+%u", &width, &height, &x, &y);
  JpegSize size = JpegDecoder().ReadSize(file);
  if (asShown && SwapsSides(ReadFileOrientation(file))) std::swap(size.width, size.height);
  if (width == 0 || height == 0 || x + width > unsigned(size.width) || y + height > unsigned(size.height))
    throw FileError(file, "the crop " + std::string(geometry) + " lies outside the picture (" +
                              std::to_string(size.width) + "\xC3\x97" + std::to_string(size.height) + ")");
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
  CheckCropInside(file, geometry, !args.Flag("no-auto-orient"));
  return RunTransform(args, file, PlanFor(args, file, TransformKind::Crop, geometry), !args.Flag("no-thumbnail"));
}

int StripMetadata(const Invocation& args) {
  return RunTransform(args, args.Operand(0), PlanFor(args, args.Operand(0), TransformKind::MetadataDelete), true);
}

}  // namespace pixaldo::cli
