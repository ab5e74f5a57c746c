// The photo record of a file: the DCT block size from the frame header and
// the twelve EXIF summary texts, the IPTC fields, keywords and rating; the
// EXIF rating tags set in place.
#include <cstdlib>

#include "FuzzInput.h"
#include "photo_record/ExifRating.h"
#include "photo_record/JpegBasicObject.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pixaldo;
  if (fuzz::TooLarge(size)) return 0;
  const auto file = fuzz::Scratch().Put("record.jpg", fuzz::AsBytes(data, size));
  try {
    TJpegBasicObject record(file);
    record.ReadBlockSize();
    record.ReadTags();
    if (record.ImgData->ExifSegment) {
      // The rating tags changed in place in a copy of the EXIF block.
      std::string exif = record.ImgData->ExifSegment->Bytes;
      TExifRating::Set(exif, int(size % 6));
      if (exif.size() != record.ImgData->ExifSegment->Bytes.size()) std::abort();
    }
  } catch (const FileError&) {
  }
  return 0;
}
