// import-exif: "Load from file" — SOURCE's EXIF block replaces TARGET's (or
// its JFIF header when it has no EXIF block).
#include "cli/CliCommand.h"
#include "jpeg_structure/JpegObject.h"

namespace pixaldo::cli {
namespace {

int ImportExif(Arguments& args) {
  args.Allow({"keep-date"}, {});
  std::filesystem::path source = args.Positional(0);
  TJpegObject target(args.Positional(1), args.Flag("keep-date"));
  target.ImportExif(source);
  return 0;
}

CliCommandRegistration reg("import-exif", "SOURCE TARGET [--keep-date]", ImportExif);

}  // namespace
}  // namespace pixaldo::cli
