#pragma once
// What a replaced file must keep besides its bytes: owner and group (as far
// as this process may set them), permissions, and extended attributes, which
// carry desktop tags, ratings, the origin URL and the ACL.
#include <filesystem>

namespace pixaldo {

// Gives the open file `fd` the owner, group, mode and extended attributes of
// `original`. An owner or attribute the system does not let this process set
// is left out, as cp -p and rsync do; any other failure throws FileError
// naming `nameForErrors`.
void CopyFileAttributes(const std::filesystem::path& original, int fd, const std::filesystem::path& nameForErrors);

}  // namespace pixaldo
