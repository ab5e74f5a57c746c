// summary: the info panel of one file.
#include "cli/CliCommand.h"
#include "photo_record/JpegBasicObject.h"

namespace pixaldo::cli {
namespace {

int Summary(Arguments& args) {
  args.Allow({}, {});
  TJpegBasicObject record(args.Positional(0));
  record.ReadBlockSize();
  record.ReadTags();
  const TMyExifTags& e = record.ExifSummary;
  const TMyIptcTags& i = record.IptcFields;
  std::string block;
  if (record.BlockWidth && record.BlockHeight)
    block = std::to_string(record.BlockWidth) + "\xD7" + std::to_string(record.BlockHeight);
  const std::pair<const char*, const std::string&> rows[] = {
      {"CameraMake", e.CameraMake},     {"CameraModel", e.CameraModel},
      {"DateTime", e.DateTime},         {"Dimensions", e.Dimensions},
      {"JpegQual", e.JpegQual},         {"Flash", e.Flash},
      {"FocalLength", e.FocalLength},   {"ExposureTime", e.ExposureTime},
      {"FNumber", e.FNumber},           {"IsoAndBias", e.IsoAndBias},
      {"ExposureProgram", e.ExposureProgram}, {"MeteringMode", e.MeteringMode},
      {"Category", i.Category},         {"ObjectName", i.ObjectName},
      {"ImageCaption", i.ImageCaption}, {"DctBlock", block},
  };
  for (const auto& [key, value] : rows) PrintRow({key, value});
  return 0;
}

CliCommandRegistration reg("summary", "FILE", Summary);

}  // namespace
}  // namespace pixaldo::cli
