// restore-thumbnail: "Restore" — the EXIF thumbnail is made again from the picture.
#include "cli/Handlers.h"
#include "jpeg_structure/JpegObject.h"

namespace pixaldo::cli {

int RestoreThumbnail(const Invocation& args, const std::filesystem::path& file) {
  RestoreThumbnailOfFile(file, args.Flag("keep-date"));
  return 0;
}

}  // namespace pixaldo::cli
