// ParseSegment of the IPTC list on APP13 segment bytes (length field first),
// then everything built from the parsed list: lookups, edits, the payload
// with and without the old resources, and the XML fragment. A record tagged
// UTF-8 is decoded as such, broken sequences included.
#include "FuzzInput.h"
#include "iptc/IptcData.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pixaldo;
  if (fuzz::TooLarge(size)) return 0;
  const std::string_view segment = fuzz::AsBytes(data, size);
  TIPTCdata list(nullptr);
  list.ParseSegment(segment);
  for (int32_t i = 0; i < list.Count(); ++i) (void)list.GetTag(i);
  (void)list.ValueOf("ObjectName", "");
  (void)list.ValueOf("Caption", "");
  (void)list.AsXmlLines();
  (void)list.BuildPayloadKeeping(segment);
  (void)list.OverlongMessage("Keywords");
  list.AppendValue("Keywords", "fuzz");
  list.SetValue("ObjectName", std::string(segment.substr(0, 64)));
  list.DeleteByName("Category");
  const std::string payload = list.BuildPayload();

  // The built payload must parse again.
  if (payload.size() + 2 <= 0xFFFF) {
    std::string rebuilt;
    rebuilt.push_back(char((payload.size() + 2) >> 8));
    rebuilt.push_back(char((payload.size() + 2) & 0xFF));
    rebuilt += payload;
    TIPTCdata again(nullptr);
    again.ParseSegment(rebuilt);
  }
  return 0;
}
