// The container read of a TIFF-structured file: the header, IFD0 and its
// sub-directories with maker notes (in memory).
#include "FuzzInput.h"
#include "MetadataWalk.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pixaldo;
  if (fuzz::TooLarge(size)) return 0;
  TimgData container(255);
  if (container.ReadTiffHeader(std::string(fuzz::AsBytes(data, size)))) fuzz::WalkContainer(container);
  return 0;
}
