// The container read of a JPEG file: the marker scan, the EXIF directory
// walk with maker notes, the IPTC list, the thumbnail directory, and the
// write-back of the kept segments (all in memory).
#include <sstream>

#include "FuzzInput.h"
#include "MetadataWalk.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pixaldo;
  if (fuzz::TooLarge(size)) return 0;
  std::istringstream in{std::string(fuzz::AsBytes(data, size))};
  TimgData container(255);
  container.ReadJpegSegments(in);
  fuzz::WalkContainer(container);
  if (container.ExifInfo && container.HasExif()) container.ExifInfo->AdjustSize(4321, 1234);
  return 0;
}
