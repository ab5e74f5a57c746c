// comment: writes the file's comment, as "Write" on the metadata window's comment tab.
#include "cli/CliCommand.h"
#include "exif/ExifData.h"
#include "platform/FileLock.h"
#include "platform/FileSystem.h"

namespace pixaldo::cli {
namespace {

int Comment(Arguments& args) {
  args.Allow({"keep-date"}, {});
  std::filesystem::path file = args.Positional(0);
  std::string text = ArgumentToCp1250(args.Positional(1), "the comment");
  CheckWholeFile(file);  // a missing file, a folder or a device is named as such
  const PhotoLock lock(file, args.Flag("keep-date"));
  TimgData data(255);
  data.ReadFile(file);
  data.SetComment(text);
  data.SaveAs(file);
  return 0;
}

CliCommandRegistration reg("comment", "FILE TEXT [--keep-date]", Comment);

}  // namespace
}  // namespace pixaldo::cli
