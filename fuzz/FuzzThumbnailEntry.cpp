// A cache entry another program wrote: its header and texts, then the
// whole picture, read as the thumbnail cache reads them; and a photo made
// into a thumbnail from whatever bytes it holds.
#include "FuzzInput.h"
#include "thumbnails/PngThumbnail.h"
#include "thumbnails/ThumbnailMaker.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pixaldo;
  if (fuzz::TooLarge(size)) return 0;
  const std::string_view bytes = fuzz::AsBytes(data, size);
  (void)DecodePng(bytes, 256, false);
  (void)DecodePng(bytes, 256, true);
  try {
    (void)MakeThumbnail(bytes, "fuzz.jpg", ThumbnailSize::Normal);
  } catch (const std::exception&) {
    // Refused input is the expected outcome for most bytes.
  }
  return 0;
}
