// delete-exif, delete-comment, delete-iptc: the metadata window's three
// Delete buttons. A file without the block is left as it was.
#include "cli/Handlers.h"
#include "jpeg_structure/JpegObject.h"

namespace pixaldo::cli {
namespace {

int Delete(const Invocation& args, const std::filesystem::path& file, bool (TJpegObject::*edit)()) {
  TJpegObject object(file, args.Flag("keep-date"));
  (object.*edit)();
  return 0;
}

}  // namespace

int DeleteExif(const Invocation& args, const std::filesystem::path& file) {
  return Delete(args, file, &TJpegObject::DeleteExif);
}
int DeleteComment(const Invocation& args, const std::filesystem::path& file) {
  return Delete(args, file, &TJpegObject::DeleteComment);
}
int DeleteIptc(const Invocation& args, const std::filesystem::path& file) {
  return Delete(args, file, &TJpegObject::DeleteIptc);
}

}  // namespace pixaldo::cli
