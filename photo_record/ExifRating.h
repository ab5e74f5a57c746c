#pragma once
// The star rating in an EXIF block: the Rating and RatingPercent tags of
// its first directory, changed in place when the block has them (none is
// added: the rating's home is XMP).
#include <string>

namespace pixaldo {

class TExifRating {
 public:
  // `segment`: the EXIF APP1 segment bytes, length field included. Sets the
  // tags the block has to `stars` (0-5); a tag of an unexpected type or
  // count, or a block that cannot be read, is left alone.
  static void Set(std::string& segment, int stars);
};

}  // namespace pixaldo
