// comment: writes the file's comment, as "Write" on the metadata window's comment tab.
#include "cli/Handlers.h"
#include "exif/ExifData.h"
#include "platform/FileError.h"
#include "platform/FileSystem.h"

namespace pixaldo::cli {

int Comment(const Invocation& args) {
  std::filesystem::path file = args.Operand(0);
  std::string text = ArgumentToCp1250(args.Operand(1), "the comment");
  std::error_code error;
  if (!std::filesystem::is_regular_file(file, error)) throw FileError(file, "no such file");
  auto date = args.Flag("keep-date") ? GetFileDate(file) : std::nullopt;
  TimgData data(255);
  data.ReadFile(file);
  data.SetComment(text);
  data.SaveAs(file);
  if (date) SetFileDate(file, *date);
  return 0;
}

}  // namespace pixaldo::cli
