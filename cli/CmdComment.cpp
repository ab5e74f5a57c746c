// comment: writes the file's comment, as "Write" on the metadata window's comment tab.
#include "cli/CliCommand.h"
#include "exif/ExifData.h"
#include "platform/FileSystem.h"

namespace pixaldo::cli {
namespace {

int Comment(Arguments& args) {
  args.Allow({"keep-date"}, {});
  std::filesystem::path file = args.Positional(0);
  std::string text = ArgumentToCp1250(args.Positional(1), "the comment");
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

CliCommandRegistration reg("comment", "FILE TEXT [--keep-date]", Comment);

}  // namespace
}  // namespace pixaldo::cli
