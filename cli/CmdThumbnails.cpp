// thumbnails: makes what is missing or stale in the desktop's thumbnail
// cache for the photos named and the photos of the folders named (not their
// subfolders), on every core, and prints each photo's path and its entry.
#include <system_error>

#include "cli/Handlers.h"
#include "file_list/JpegListing.h"
#include "platform/FileError.h"
#include "platform/OrderedWork.h"
#include "thumbnails/ThumbnailCache.h"

namespace pixaldo::cli {
namespace {

ThumbnailSize SizeOption(const Invocation& args) {
  const std::string name = args.Value("size").value_or("normal");
  for (const ThumbnailSizeRow& row : kThumbnailSizes)
    if (row.folder == name) return row.size;
  throw UsageError("--size must be normal or large: " + name);
}

// The photos the operands name, in their order; a folder's in list order.
std::vector<std::filesystem::path> PhotosOf(const std::vector<std::string>& operands) {
  std::vector<std::filesystem::path> photos;
  for (const std::string& operand : operands) {
    std::error_code error;
    if (!std::filesystem::is_directory(operand, error)) {
      photos.emplace_back(operand);
      continue;
    }
    for (const std::string& name : ListJpegNames(operand)) photos.push_back(FullPath(operand, name));
  }
  return photos;
}

struct Made {
  std::filesystem::path photo;
  ThumbnailResult result;
};

}  // namespace

int Thumbnails(const Invocation& args) {
  const ThumbnailSize size = SizeOption(args);
  const bool json = args.Flag("json");
  const std::vector<std::filesystem::path> photos = PhotosOf(args.Operands());
  ThumbnailCache cache;
  Listing listing{{"file", "thumbnail"}, false, {}, {}};
  int status = 0;
  const unsigned workers = WorkerCountFor(photos.size());
  RunOrdered<Made>(
      photos.size(), workers, size_t(workers) * 4,
      [&](size_t index, unsigned) { return Made{photos[index], cache.Obtain(photos[index], size, false)}; },
      [&](Made& made) {
        if (!made.result.Failed() && made.result.entry.empty())
          made.result.failure = "the thumbnail cache " + cache.Names().Root().string() + " cannot be written";
        if (made.result.Failed()) {
          ReportFileError(FileError(made.photo, made.result.failure));
          status = 1;
          return;
        }
        std::vector<std::string> row{made.photo.native(), made.result.entry.native()};
        if (json)
          listing.AddTextRow(std::move(row));
        else
          PrintTextRow(row);
      });
  if (json) PrintJson({{"", listing}}, false);
  return status;
}

}  // namespace pixaldo::cli
