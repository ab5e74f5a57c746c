#include "platform/FileAttributes.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include "platform/FileError.h"
#include "platform/FileSystem.h"

namespace pixaldo {
namespace {

// Not having the right to set something (or a file system without it) means
// that it cannot be kept; everything else is a real failure.
bool MayBeLeftOut(int error) { return error == EPERM || error == ENOTSUP || error == EACCES; }

[[noreturn]] void Fail(const std::filesystem::path& name, const std::string& what, int error) {
  throw FileError(name, "cannot copy the file's " + what + ": " + std::strerror(error));
}

// Reads a list or value whose size may change between asking and reading.
template <typename Read>
bool ReadSized(std::string& out, Read read) {
  for (int attempt = 0; attempt < 4; ++attempt) {
    const ssize_t size = read(nullptr, 0);
    if (size < 0) return false;
    out.resize(size_t(size));
    const ssize_t got = read(out.data(), out.size());
    if (got >= 0) {
      out.resize(size_t(got));
      return true;
    }
    if (errno != ERANGE) return false;
  }
  return false;
}

void CopyExtendedAttributes(const std::filesystem::path& original, int fd, const std::filesystem::path& name) {
  std::string names;
  if (!ReadSized(names, [&](char* buffer, size_t size) { return ::listxattr(original.c_str(), buffer, size); })) {
    if (MayBeLeftOut(errno)) return;
    Fail(name, "extended attributes", errno);
  }
  for (size_t start = 0; start < names.size();) {
    const std::string key = names.c_str() + start;
    start += key.size() + 1;
    std::string value;
    if (!ReadSized(value, [&](char* buffer, size_t size) {
          return ::getxattr(original.c_str(), key.c_str(), buffer, size);
        })) {
      if (errno == ENODATA || MayBeLeftOut(errno)) continue;
      Fail(name, "extended attribute " + key, errno);
    }
    if (::fsetxattr(fd, key.c_str(), value.data(), value.size(), 0) != 0 && !MayBeLeftOut(errno))
      Fail(name, "extended attribute " + key, errno);
  }
}

}  // namespace

void CopyFileAttributes(const std::filesystem::path& original, int fd, const std::filesystem::path& name) {
  struct stat info {};
  if (::stat(original.c_str(), &info) != 0) Fail(name, "owner and permissions", errno);
  if (FaultInjection::ShouldFail(FaultInjection::Step::Attributes)) Fail(name, "extended attributes", EIO);
  struct stat mine {};
  if (::fstat(fd, &mine) != 0) Fail(name, "owner and permissions", errno);
  // The owner first (changing it clears set-id bits), then the group alone
  // when only that is allowed, then the mode, then the attributes (an ACL
  // among them fixes the mode's group bits again).
  if ((mine.st_uid != info.st_uid || mine.st_gid != info.st_gid) && ::fchown(fd, info.st_uid, info.st_gid) != 0) {
    if (!MayBeLeftOut(errno)) Fail(name, "owner", errno);
    if (::fchown(fd, uid_t(-1), info.st_gid) != 0 && !MayBeLeftOut(errno)) Fail(name, "group", errno);
  }
  if (::fchmod(fd, info.st_mode & 07777) != 0) Fail(name, "permissions", errno);
  CopyExtendedAttributes(original, fd, name);
}

}  // namespace pixaldo
