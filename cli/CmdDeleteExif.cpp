// delete-exif, delete-comment, delete-iptc: the metadata window's three
// Delete buttons. A file without the block is left as it was.
#include "cli/CliCommand.h"
#include "jpeg_structure/JpegObject.h"

namespace pixaldo::cli {
namespace {

using DeleteEdit = bool (TJpegObject::*)();

CommandFunction DeleteCommand(DeleteEdit edit) {
  return [edit](Arguments& args) {
    args.Allow({"keep-date"}, {});
    TJpegObject object(args.Positional(0), args.Flag("keep-date"));
    (object.*edit)();
    return 0;
  };
}

CliCommandRegistration regExif("delete-exif", "FILE [--keep-date]", DeleteCommand(&TJpegObject::DeleteExif));
CliCommandRegistration regComment("delete-comment", "FILE [--keep-date]",
                                  DeleteCommand(&TJpegObject::DeleteComment));
CliCommandRegistration regIptc("delete-iptc", "FILE [--keep-date]", DeleteCommand(&TJpegObject::DeleteIptc));

}  // namespace
}  // namespace pixaldo::cli
