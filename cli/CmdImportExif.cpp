// import-exif: "Load from file" — SOURCE's EXIF block replaces TARGET's (or
// its JFIF header when it has no EXIF block).
#include "cli/Handlers.h"
#include "jpeg_structure/JpegObject.h"

namespace pixaldo::cli {

int ImportExif(const Invocation& args, const std::filesystem::path& target) {
  TJpegObject object(target, args.Flag("keep-date"));
  object.ImportExif(args.Operand(0));
  return 0;
}

}  // namespace pixaldo::cli
