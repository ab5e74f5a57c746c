// The photo record of a file: the DCT block size from the frame header and
// the twelve EXIF summary texts and three IPTC fields.
#include "FuzzInput.h"
#include "photo_record/JpegBasicObject.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pixaldo;
  if (fuzz::TooLarge(size)) return 0;
  const auto file = fuzz::Scratch().Put("record.jpg", fuzz::AsBytes(data, size));
  try {
    TJpegBasicObject record(file);
    record.ReadBlockSize();
    record.ReadTags();
  } catch (const FileError&) {
  }
  return 0;
}
