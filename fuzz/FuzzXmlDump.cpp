// The one-file XML dump: the file read through the container and written out
// as the dump's lines. An input starting with a TIFF byte-order mark is named
// ".tif", any other ".jpg", so one corpus reaches both readers.
#include "FuzzInput.h"
#include "exif/ExifData.h"
#include "iptc/IptcData.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pixaldo;
  if (fuzz::TooLarge(size)) return 0;
  const std::string_view bytes = fuzz::AsBytes(data, size);
  const bool tiff = bytes.starts_with("II") || bytes.starts_with("MM");
  const auto file = fuzz::Scratch().Put(tiff ? "dump.tif" : "dump.jpg", bytes);
  TimgData container(255);
  container.ReadFile(file);
  container.ParseIptc();
  (void)container.AsXmlDocument();
  return 0;
}
