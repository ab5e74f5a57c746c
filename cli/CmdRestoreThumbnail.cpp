// restore-thumbnail: "Restore" — the EXIF thumbnail is made again from the picture.
#include "cli/CliCommand.h"
#include "jpeg_structure/JpegObject.h"

namespace pixaldo::cli {
namespace {

int RestoreThumbnail(Arguments& args) {
  args.Allow({"keep-date"}, {});
  RestoreThumbnailOfFile(args.Positional(0), args.Flag("keep-date"));
  return 0;
}

CliCommandRegistration reg("restore-thumbnail", "FILE [--keep-date]", RestoreThumbnail);

}  // namespace
}  // namespace pixaldo::cli
