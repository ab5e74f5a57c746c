// tags: the lists of the metadata window for one file, in its order:
// generic EXIF entries, maker entries, thumbnail directory, IPTC, comment.
#include <filesystem>

#include "cli/CliCommand.h"
#include "exif/ExifData.h"
#include "iptc/IptcData.h"
#include "platform/FileError.h"

namespace pixaldo::cli {
namespace {

void PrintGroup(const char* group, TImageInfo& info, int32_t tagGroup) {
  TTagEntry entry;
  info.ResetTagCursor();
  while (info.NextTag(tagGroup, entry)) PrintRow({group, entry.Description, entry.Value});
}

void PrintThumbnail(TImageInfo& info) {
  TTagEntry entry;
  info.ParseThumbnail();
  info.ResetThumbCursor();
  while (info.NextThumbTag(0, entry)) PrintRow({"thumbnail", entry.Description, entry.Value});
}

void PrintIptc(TimgData& data) {
  if (!data.IptcInfo) data.IptcInfo = std::make_unique<TIPTCdata>(&data);
  data.IptcInfo->ParseContainerSegment();
  for (int32_t i = 0; i < data.IptcInfo->Count(); ++i) {
    TTagEntry entry = data.IptcInfo->GetTag(i);
    PrintTextRow({"iptc", entry.Description, entry.Value});
  }
}

int Tags(Arguments& args) {
  args.Allow({}, {});
  const std::filesystem::path file = args.Positional(0);
  std::error_code ec;
  if (!std::filesystem::is_regular_file(file, ec)) throw FileError(file, "no such file");

  TimgData data(255);
  const bool read = data.ReadFile(file);
  if (data.ErrorText == kIllegalConstruction) throw FileError(file, "cannot be opened");
  if (data.HasExif() && data.ExifInfo) {
    TImageInfo& info = *data.ExifInfo;
    PrintGroup("exif", info, 0);
    if (info.HasMakerNote) PrintGroup("maker", info, 1);
    if (read && data.HasThumbnail()) PrintThumbnail(info);
  }
  if (data.HasIptc()) PrintIptc(data);
  if (data.HasComment()) PrintRow({"comment", "", data.GetComment()});
  return 0;
}

CliCommandRegistration reg("tags", "FILE", Tags);

}  // namespace
}  // namespace pixaldo::cli
