// summary: the info panel of one file.
#include "cli/CliCommand.h"
#include "photo_record/JpegBasicObject.h"
#include "platform/Cp1250.h"

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
  // The EXIF texts are Windows-1250, the IPTC fields UTF-8 already.
  const std::pair<const char*, std::string> rows[] = {
      {"CameraMake", Cp1250ToUtf8(e.CameraMake)},     {"CameraModel", Cp1250ToUtf8(e.CameraModel)},
      {"DateTime", Cp1250ToUtf8(e.DateTime)},         {"Dimensions", Cp1250ToUtf8(e.Dimensions)},
      {"JpegQual", Cp1250ToUtf8(e.JpegQual)},         {"Flash", Cp1250ToUtf8(e.Flash)},
      {"FocalLength", Cp1250ToUtf8(e.FocalLength)},   {"ExposureTime", Cp1250ToUtf8(e.ExposureTime)},
      {"FNumber", Cp1250ToUtf8(e.FNumber)},           {"IsoAndBias", Cp1250ToUtf8(e.IsoAndBias)},
      {"ExposureProgram", Cp1250ToUtf8(e.ExposureProgram)}, {"MeteringMode", Cp1250ToUtf8(e.MeteringMode)},
      {"Category", i.Category},                       {"ObjectName", i.ObjectName},
      {"ImageCaption", i.ImageCaption},               {"DctBlock", Cp1250ToUtf8(block)},
  };
  for (const auto& [key, value] : rows) PrintTextRow({key, value});
  return 0;
}

CliCommandRegistration reg("summary", "FILE", Summary);

}  // namespace
}  // namespace pixaldo::cli
