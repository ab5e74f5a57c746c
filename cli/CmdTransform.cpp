// rotate-left, rotate-right, flip-horizontal, flip-vertical, crop,
// auto-rotate and strip-metadata: the lossless transforms through jpegtran.
// Without --output the file is transformed in place; with it the result goes
// to OUT (replacing it) and FILE stays as it was. Rotations, flips and the
// crop act on the picture as shown upright by its EXIF orientation unless
// --no-auto-orient.
#include <cstdio>

#include <string>
#include <utility>

#include "cli/CliCommand.h"
#include "photo_view/JpegDecoder.h"
#include "platform/FileError.h"
#include "transforms/JpegTran.h"

namespace pixaldo::cli {
namespace {

// One transform as the viewer runs it, then prints the transformed file's path.
void TransformFile(const std::filesystem::path& source, const std::optional<std::string>& output,
                   const TransformPlan& plan, bool refreshThumbnail, bool keepDate) {
  if (output && output->empty()) throw UsageError("--output needs a file name");
  std::filesystem::path target = output ? std::filesystem::path(*output) : source;
  TJpegTran runner;
  std::filesystem::path result = runner.Transform(source, target, keepDate, refreshThumbnail, plan);
  if (plan.unchanged) std::fprintf(stderr, "%s: already upright\n", source.c_str());
  std::string printed = result.string() + "\n";
  std::fwrite(printed.data(), 1, printed.size(), stdout);
}

int RunTransform(const Arguments& args, const TransformPlan& plan, bool refreshThumbnail, bool keepDate) {
  TransformFile(args.Positional(0), args.Option("output"), plan, refreshThumbnail, keepDate);
  return 0;
}

void ExpectPositionals(const Arguments& args, size_t count) {
  if (args.PositionalCount() > count) throw UsageError("too many arguments");
  if (args.PositionalCount() < count) throw UsageError("missing argument");
}

// The plan of a kind for the file named first, as shown unless --no-auto-orient.
TransformPlan PlanFor(const Arguments& args, TransformKind kind, std::string_view geometry = {}) {
  return TJpegTran::Plan(kind, ReadFileOrientation(args.Positional(0)), !args.Flag("no-auto-orient"),
                         args.Flag("trim"), geometry);
}

CommandFunction RotateOrFlip(TransformKind kind) {
  return [kind](Arguments& args) {
    args.Allow({"trim", "no-thumbnail", "keep-date", "no-auto-orient"}, {"output"});
    ExpectPositionals(args, 1);
    return RunTransform(args, PlanFor(args, kind), !args.Flag("no-thumbnail"), args.Flag("keep-date"));
  };
}

// Several files in place, or one to --output; a file that fails is reported
// and the others are still turned.
int AutoRotate(Arguments& args) {
  args.Allow({"trim", "no-thumbnail", "keep-date"}, {"output"});
  const size_t count = args.PositionalCount();
  if (count == 0) throw UsageError("missing argument");
  if (count > 1 && args.Option("output")) throw UsageError("--output takes a single FILE");
  int status = 0;
  for (size_t i = 0; i < count; ++i) {
    const std::filesystem::path file = args.Positional(i);
    try {
      const TransformPlan plan =
          TJpegTran::Plan(TransformKind::AutoRotate, ReadFileOrientation(file), true, args.Flag("trim"));
      TransformFile(file, args.Option("output"), plan, !args.Flag("no-thumbnail"), args.Flag("keep-date"));
    } catch (const FileError& error) {
      std::fprintf(stderr, "pixaldo-cli: %s\n", error.what());
      status = 1;
    }
  }
  return status;
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

int Crop(Arguments& args) {
  args.Allow({"no-thumbnail", "keep-date", "no-auto-orient"}, {"output"});
  ExpectPositionals(args, 2);
  std::string geometry = args.Positional(1);
  if (!IsCropGeometry(geometry)) throw UsageError("GEOMETRY must be WxH+X+Y in picture pixels, not " + geometry);
  CheckCropInside(args.Positional(0), geometry, !args.Flag("no-auto-orient"));
  return RunTransform(args, PlanFor(args, TransformKind::Crop, geometry), !args.Flag("no-thumbnail"),
                      args.Flag("keep-date"));
}

int StripMetadata(Arguments& args) {
  args.Allow({}, {"output"});
  ExpectPositionals(args, 1);
  if (!args.Option("output")) throw UsageError("strip-metadata always writes a new file: --output OUT is required");
  return RunTransform(args, PlanFor(args, TransformKind::MetadataDelete), true, false);
}

constexpr const char* kRotateUsage =
    "FILE [--output OUT] [--trim] [--no-thumbnail] [--keep-date] [--no-auto-orient]";

CliCommandRegistration rotateLeft("rotate-left", kRotateUsage, RotateOrFlip(TransformKind::RotateLeft));
CliCommandRegistration rotateRight("rotate-right", kRotateUsage, RotateOrFlip(TransformKind::RotateRight));
CliCommandRegistration flipHorizontal("flip-horizontal", kRotateUsage, RotateOrFlip(TransformKind::FlipHorizontal));
CliCommandRegistration flipVertical("flip-vertical", kRotateUsage, RotateOrFlip(TransformKind::FlipVertical));
CliCommandRegistration autoRotate("auto-rotate", "FILE... [--output OUT] [--trim] [--no-thumbnail] [--keep-date]",
                                  AutoRotate);
CliCommandRegistration crop("crop", "FILE GEOMETRY [--output OUT] [--no-thumbnail] [--keep-date] [--no-auto-orient]",
                            Crop);
CliCommandRegistration strip("strip-metadata", "FILE --output OUT", StripMetadata);

}  // namespace
}  // namespace pixaldo::cli
