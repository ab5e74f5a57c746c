// segments: the segment table of the metadata window, one line an entry,
// read from the file's headers only (a large photo is not loaded).
#include <string>

#include "cli/Handlers.h"
#include "jpeg_structure/JpegObject.h"

namespace pixaldo::cli {

Listing Segments(const Invocation&, const std::filesystem::path& file) {
  Listing listing{{"number", "name", "marker", "offset", "size"}, false, {"number", "offset", "size"}, {}};
  for (const auto& segment : TJpegObject::ReadSegmentTable(file))
    listing.AddRow({std::to_string(segment.Number), segment.Name, segment.MarkerHex, std::to_string(segment.Offset),
                    std::to_string(segment.Size)});
  return listing;
}

}  // namespace pixaldo::cli
