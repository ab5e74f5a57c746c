// comment: writes the file's comment, as "Write" on the metadata window's comment tab.
#include "cli/Handlers.h"
#include "exif/ExifData.h"
#include "platform/FileLock.h"
#include "platform/CodePage.h"
#include "platform/FileSystem.h"

namespace pixaldo::cli {

int Comment(const Invocation& args) {
  std::filesystem::path file = args.Operand(0);
  // Any language: ASCII stays ASCII, other text is written in UTF-8 (or, as
  // the setting for older programs asks, in Windows-1250 when it fits).
  const std::string text = CommentBytes(ArgumentText(args.Operand(1), "the comment"));
  CheckWholeFile(file);  // a missing file, a folder or a device is named as such
  const PhotoLock lock(file, args.Flag("keep-date"));
  TimgData data(255);
  data.ReadFile(file);
  data.SetComment(text);
  data.SaveAs(file);
  return 0;
}

}  // namespace pixaldo::cli
