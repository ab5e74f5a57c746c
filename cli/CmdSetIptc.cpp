// set-iptc: writes the three IPTC fields of the info panel.
#include "cli/Handlers.h"
#include "photo_record/JpegBasicObject.h"
#include "platform/FileLock.h"

namespace pixaldo::cli {

int SetIptc(const Invocation& args, const std::filesystem::path& file) {
  // Any character can be stored: the record is written in UTF-8 when it needs
  // to be. Bytes that are no text are refused before anything is read.
  auto category = args.Value("category");
  auto title = args.Value("title");
  auto caption = args.Value("caption");
  for (const auto& [value, what] : {std::pair{&category, "--category"}, {&title, "--title"}, {&caption, "--caption"}})
    if (*value) ArgumentText(**value, what);

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

}  // namespace pixaldo::cli
