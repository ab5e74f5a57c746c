// segments: the segment table of the metadata window, one line an entry,
// read from the file's headers only (a large photo is not loaded).
#include <string>

#include "cli/CliCommand.h"
#include "jpeg_structure/JpegObject.h"

namespace pixaldo::cli {
namespace {

int Segments(Arguments& args) {
  args.Allow({}, {});
  for (const auto& segment : TJpegObject::ReadSegmentTable(args.Positional(0)))
    PrintRow({std::to_string(segment.Number), segment.Name, segment.MarkerHex, std::to_string(segment.Offset),
              std::to_string(segment.Size)});
  return 0;
}

CliCommandRegistration reg("segments", "FILE", Segments);

}  // namespace
}  // namespace pixaldo::cli
