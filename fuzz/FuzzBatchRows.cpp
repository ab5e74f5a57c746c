// The database rows of one file: its CSV row and its XML fragment, built as
// the directory export builds them.
#include "FuzzInput.h"
#include "batch_export/JpegBatch.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pixaldo;
  if (fuzz::TooLarge(size)) return 0;
  static const JpegListing listing(fuzz::Scratch().Path());
  const auto file = fuzz::Scratch().Put("row.jpg", fuzz::AsBytes(data, size));
  TJpegBatch batch(listing);
  (void)TJpegBatch::JoinCsvLine(batch.CsvRow(file));
  (void)batch.XmlFragment(file);
  return 0;
}
