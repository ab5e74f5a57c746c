// xml: "Export to XML" of the metadata window, without starting a viewer.
#include "cli/Handlers.h"
#include "exif/ExifData.h"
#include "exif/XmlText.h"
#include "iptc/IptcData.h"
#include "platform/FileError.h"
#include "platform/FileSystem.h"

namespace pixaldo::cli {

int Xml(const Invocation&, const std::filesystem::path& file) {
  CheckWholeFile(file, UINT64_MAX);  // a missing file, a folder, a pipe or a device is named as such
  TimgData data(255);
  data.ReadFile(file);
  if (data.HasIptc() && data.IptcInfo) data.IptcInfo->ParseContainerSegment();
  auto lines = data.AsXmlDocument();
  if (!lines) throw FileError(file, "no such file");
  std::filesystem::path target = file;
  target.replace_extension(".xml");
  WriteXmlFile(target, *lines);
  PrintText(target.string() + "\n");
  return 0;
}

}  // namespace pixaldo::cli
