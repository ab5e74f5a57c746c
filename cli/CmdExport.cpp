// export: the directory database of the listed JPEG files of a directory, in
// the file list's order; XML for a name ending exactly in ".xml", CSV for one
// ending exactly in ".txt". No viewer is started.
#include "batch_export/JpegBatch.h"
#include "cli/Handlers.h"
#include "file_list/JpegListing.h"
#include "platform/FileError.h"

namespace pixaldo::cli {
namespace {

bool EndsWith(const std::string& text, std::string_view end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

int Export(const Invocation& args) {
  std::filesystem::path directory = args.Operand(0);
  const std::string& database = args.Operand(1);
  bool xml = EndsWith(database, ".xml");
  if (!xml && !EndsWith(database, ".txt"))
    throw UsageError("the database name must end in .xml (XML) or .txt (CSV): " + database);
  std::error_code error;
  if (!std::filesystem::is_directory(directory, error)) throw FileError(directory, "no such directory");
  JpegListing listing(directory);
  TJpegBatch batch(listing);
  if (xml)
    batch.SaveXml(database);
  else
    batch.SaveCsv(database);
  return 0;
}

}  // namespace pixaldo::cli
