// set-iptc: writes the three IPTC fields of the info panel.
#include "cli/CliCommand.h"
#include "photo_record/JpegBasicObject.h"
#include "platform/FileLock.h"

namespace pixaldo::cli {
namespace {

int SetIptc(Arguments& args) {
  args.Allow({"keep-date"}, {"category", "title", "caption"});
  std::filesystem::path file = args.Positional(0);
  // Every text is converted before anything is read or written.
  auto category = args.Option("category");
  auto title = args.Option("title");
  auto caption = args.Option("caption");
  if (category) category = ArgumentToCp1250(*category, "--category");
  if (title) title = ArgumentToCp1250(*title, "--title");
  if (caption) caption = ArgumentToCp1250(*caption, "--caption");

  // Held from the read to the write, so that a concurrent edit is not lost.
  const PhotoLock lock(file, args.Flag("keep-date"));
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
  return 0;
}

CliCommandRegistration reg("set-iptc", "FILE [--category TEXT] [--title TEXT] [--caption TEXT] [--keep-date]",
                           SetIptc);

}  // namespace
}  // namespace pixaldo::cli
