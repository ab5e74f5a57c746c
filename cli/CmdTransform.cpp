// rotate-left, rotate-right, flip-horizontal, flip-vertical, crop and
// strip-metadata: the lossless transforms through jpegtran. Without --output
// the file is transformed in place; with it the result goes to OUT (replacing
// it) and FILE stays as it was.
#include <cstdio>

#include "cli/CliCommand.h"
#include "transforms/JpegTran.h"

namespace pixaldo::cli {
namespace {

// One transform as the viewer runs it, then prints the transformed file's path.
int RunTransform(const Arguments& args, const std::vector<std::string>& switches, bool refreshThumbnail,
                 bool keepDate) {
  std::filesystem::path source = args.Positional(0);
  std::optional<std::string> output = args.Option("output");
  if (output && output->empty()) throw UsageError("--output needs a file name");
  std::filesystem::path target = output ? std::filesystem::path(*output) : source;
  TJpegTran runner;
  std::filesystem::path result = runner.Transform(source, target, keepDate, refreshThumbnail, switches);
  if (!runner.LastNote().empty()) std::fprintf(stderr, "%s: %s\n", result.c_str(), runner.LastNote().c_str());
  std::string printed = result.string() + "\n";
  std::fwrite(printed.data(), 1, printed.size(), stdout);
  return 0;
}

void ExpectPositionals(const Arguments& args, size_t count) {
  if (args.PositionalCount() > count) throw UsageError("too many arguments");
  if (args.PositionalCount() < count) throw UsageError("missing argument");
}

CommandFunction RotateOrFlip(TransformKind kind) {
  return [kind](Arguments& args) {
    args.Allow({"trim", "no-thumbnail", "keep-date"}, {"output"});
    ExpectPositionals(args, 1);
    return RunTransform(args, TJpegTran::TransformArguments(kind, args.Flag("trim")), !args.Flag("no-thumbnail"),
                        args.Flag("keep-date"));
  };
}

int Crop(Arguments& args) {
  args.Allow({"no-thumbnail", "keep-date"}, {"output"});
  ExpectPositionals(args, 2);
  std::string geometry = args.Positional(1);
  if (!IsCropGeometry(geometry)) throw UsageError("GEOMETRY must be WxH+X+Y in picture pixels, not " + geometry);
  return RunTransform(args, TJpegTran::CropArguments(geometry), !args.Flag("no-thumbnail"), args.Flag("keep-date"));
}

int StripMetadata(Arguments& args) {
  args.Allow({}, {"output"});
  ExpectPositionals(args, 1);
  if (!args.Option("output")) throw UsageError("strip-metadata always writes a new file: --output OUT is required");
  return RunTransform(args, TJpegTran::TransformArguments(TransformKind::MetadataDelete, false), true, false);
}

constexpr const char* kRotateUsage = "FILE [--output OUT] [--trim] [--no-thumbnail] [--keep-date]";

CliCommandRegistration rotateLeft("rotate-left", kRotateUsage, RotateOrFlip(TransformKind::RotateLeft));
CliCommandRegistration rotateRight("rotate-right", kRotateUsage, RotateOrFlip(TransformKind::RotateRight));
CliCommandRegistration flipHorizontal("flip-horizontal", kRotateUsage, RotateOrFlip(TransformKind::FlipHorizontal));
CliCommandRegistration flipVertical("flip-vertical", kRotateUsage, RotateOrFlip(TransformKind::FlipVertical));
CliCommandRegistration crop("crop", "FILE GEOMETRY [--output OUT] [--no-thumbnail] [--keep-date]", Crop);
CliCommandRegistration strip("strip-metadata", "FILE --output OUT", StripMetadata);

}  // namespace
}  // namespace pixaldo::cli
