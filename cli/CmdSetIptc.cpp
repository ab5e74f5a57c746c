// set-iptc: writes the three IPTC fields of the info panel.
#include "cli/CliCommand.h"
#include "photo_record/JpegBasicObject.h"
#include "platform/FileSystem.h"

namespace pixaldo::cli {
namespace {

int SetIptc(Arguments& args) {
  args.Allow({"keep-date"}, {"category", "title", "caption"});
  std::filesystem::path file = args.Positional(0);
  // Any character can be stored: the record is written in UTF-8 when it needs to be.
  auto category = args.Option("category");
  auto title = args.Option("title");
  auto caption = args.Option("caption");

  auto date = args.Flag("keep-date") ? GetFileDate(file) : std::nullopt;
  TMyIptcTags fields;
  {
    TJpegBasicObject current(file);
    current.ReadTags();
    fields = current.IptcFields;
  }
  if (category) fields.Category = *category;
  if (title) fields.ObjectName = *title;
  if (caption) fields.ImageCaption = *caption;
  TJpegBasicObject(file).WriteIptc(fields);
  if (date) SetFileDate(file, *date);
  return 0;
}

CliCommandRegistration reg("set-iptc", "FILE [--category TEXT] [--title TEXT] [--caption TEXT] [--keep-date]",
                           SetIptc);

}  // namespace
}  // namespace pixaldo::cli
