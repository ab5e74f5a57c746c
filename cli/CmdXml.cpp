// xml: "Export to XML" of the metadata window, without starting a viewer.
#include <cstdio>

#include "cli/CliCommand.h"
#include "exif/ExifData.h"
#include "exif/XmlText.h"
#include "iptc/IptcData.h"

namespace pixaldo::cli {
namespace {

int Xml(Arguments& args) {
  args.Allow({}, {});
  std::filesystem::path file = args.Positional(0);
  TimgData data(255);
  data.ReadFile(file);
  if (data.HasIptc() && data.IptcInfo) data.IptcInfo->ParseContainerSegment();
  auto lines = data.AsXmlDocument();
  if (!lines) throw FileError(file, "no such file");
  std::filesystem::path target = file;
  target.replace_extension(".xml");
  WriteXmlFile(target, *lines);
  std::string printed = target.string() + "\n";
  std::fwrite(printed.data(), 1, printed.size(), stdout);
  return 0;
}

CliCommandRegistration reg("xml", "FILE", Xml);

}  // namespace
}  // namespace pixaldo::cli
