// rotate-left, rotate-right, flip-horizontal, flip-vertical, crop and
// strip-metadata: the lossless transforms through jpegtran. Without --output
// the file is transformed in place; with it the result goes to OUT (replacing
// it) and FILE stays as it was.
#include "cli/Handlers.h"
#include "transforms/JpegTran.h"

namespace pixaldo::cli {
namespace {

// One transform as the viewer runs it, then prints the transformed file's path.
int RunTransform(const Invocation& args, const std::filesystem::path& source, const std::vector<std::string>& switches,
                 bool refreshThumbnail) {
  std::optional<std::string> output = args.Value("output");
  if (output && output->empty()) throw UsageError("--output needs a file name");
  std::filesystem::path target = output ? std::filesystem::path(*output) : source;
  TJpegTran runner;
  std::filesystem::path result = runner.Transform(source, target, args.Flag("keep-date"), refreshThumbnail, switches);
  PrintText(result.string() + "\n");
  return 0;
}

int RotateOrFlip(const Invocation& args, const std::filesystem::path& file, TransformKind kind) {
  if (args.Value("output") && args.Operands().size() > 1) throw UsageError("--output goes with one FILE only");
  return RunTransform(args, file, TJpegTran::TransformArguments(kind, args.Flag("trim")), !args.Flag("no-thumbnail"));
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

int Crop(const Invocation& args) {
  const std::string& geometry = args.Operand(1);
  if (!IsCropGeometry(geometry)) throw UsageError("GEOMETRY must be WxH+X+Y in picture pixels, not " + geometry);
  return RunTransform(args, args.Operand(0), TJpegTran::CropArguments(geometry), !args.Flag("no-thumbnail"));
}

int StripMetadata(const Invocation& args) {
  return RunTransform(args, args.Operand(0), TJpegTran::TransformArguments(TransformKind::MetadataDelete, false), true);
}

}  // namespace pixaldo::cli
