// ParseSegment of the IPTC list on APP13 segment bytes (length field first),
// then everything built from the parsed list: lookups, edits, the payload
// with and without the old resources, and the XML fragment. The rewrite is
// checked as a round trip: after one dataset is edited, the written record
// read again holds every other dataset with the same bytes, in the same order.
#include <cstdlib>

#include "FuzzInput.h"
#include "iptc/IptcData.h"

namespace {

using namespace pixaldo;

std::string WithLength(const std::string& payload) {
  std::string bytes;
  bytes.push_back(char((payload.size() + 2) >> 8));
  bytes.push_back(char((payload.size() + 2) & 0xFF));
  return bytes + payload;
}

// The datasets other than (record, number), the mark and the version, as stored.
std::vector<std::string> Others(const IptcRecord& record, uint8_t number) {
  std::vector<std::string> kept;
  for (const IptcDataset& dataset : record.Datasets()) {
    const bool skipped = (dataset.Record == 2 && (dataset.Number == number || dataset.Number == 0)) ||
                         (dataset.Record == 1 && dataset.Number == 90);
    if (!skipped) kept.push_back(std::to_string(dataset.Record) + ":" + std::to_string(dataset.Number) + "=" + dataset.Stored);
  }
  return kept;
}

void CheckRoundTrip(std::string_view segment) {
  TIPTCdata list(nullptr);
  list.ParseSegment(segment);
  // An ASCII edit: the record keeps its character set, so nothing else may change.
  list.SetValue("ObjectName", "round trip");
  std::string payload;
  try {
    payload = list.BuildPayload();
  } catch (const IptcRefusal&) {
    return;
  }
  if (payload.size() + 2 > 0xFFFF) return;
  TIPTCdata again(nullptr);
  again.ParseSegment(WithLength(payload));
  std::vector<std::string> before = Others(list.Record(), 5), after = Others(again.Record(), 5);
  // Datasets cut short at the end of the old segment are written whole.
  if (!list.Record().Datasets().empty() && list.Record().Datasets().back().Raw.empty()) return;
  if (before != after || again.ValueOf("ObjectName", "") != "round trip") std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (fuzz::TooLarge(size)) return 0;
  const std::string_view segment = fuzz::AsBytes(data, size);
  TIPTCdata list(nullptr);
  list.ParseSegment(segment);
  for (int32_t i = 0; i < list.Count(); ++i) (void)list.GetTag(i);
  (void)list.ValueOf("ObjectName", "");
  (void)list.ValueOf("Caption", "");
  (void)list.AsXmlLines();
  (void)list.OverlongMessage("Keywords");
  list.AppendValue("Keywords", "fuzz");
  list.SetValue("ObjectName", std::string(segment.substr(0, 64)));
  list.DeleteByName("Category");
  try {
    (void)list.BuildPayloadKeeping(segment);
    const std::string payload = list.BuildPayload();
    // The built payload must parse again.
    if (payload.size() + 2 <= 0xFFFF) {
      TIPTCdata again(nullptr);
      again.ParseSegment(WithLength(payload));
    }
  } catch (const IptcRefusal&) {
  }
  CheckRoundTrip(segment);
  return 0;
}
