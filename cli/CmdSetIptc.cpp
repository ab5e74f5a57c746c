// set-iptc: writes the three IPTC fields of the info panel.
#include "cli/Handlers.h"
#include "photo_record/JpegBasicObject.h"
#include "platform/FileSystem.h"

namespace pixaldo::cli {
namespace {

// A field's new text in Windows-1250, when its option is given.
std::optional<std::string> NewText(const Invocation& args, const char* option) {
  auto text = args.Value(option);
  if (text) text = ArgumentToCp1250(*text, std::string("--") + option);
  return text;
}

}  // namespace

int SetIptc(const Invocation& args, const std::filesystem::path& file) {
  // Every text is converted before anything is read or written.
  auto category = NewText(args, "category");
  auto title = NewText(args, "title");
  auto caption = NewText(args, "caption");

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

}  // namespace pixaldo::cli
