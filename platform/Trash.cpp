#include "platform/Trash.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>
#include <string>

#include "platform/FileError.h"

namespace pixaldo {
namespace {

std::string SystemReason(int error) { return std::strerror(error); }

std::optional<struct stat> StatOf(const fs::path& path, bool followLink) {
  struct stat info {};
  const int result = followLink ? ::stat(path.c_str(), &info) : ::lstat(path.c_str(), &info);
  if (result != 0) return std::nullopt;
  return info;
}

// The device of the path, or of its nearest existing ancestor.
dev_t DeviceOf(fs::path path) {
  for (;;) {
    if (auto info = StatOf(path, true)) return info->st_dev;
    if (!path.has_relative_path()) return 0;
    path = path.parent_path();
  }
}

// The directory with its missing parents; the last level gets mode 0700.
// Gives the reason of a failure, or an empty text.
std::string MakePrivateDirectory(const fs::path& directory) {
  std::error_code error;
  fs::create_directories(directory.parent_path(), error);
  if (error) return error.message();
  if (::mkdir(directory.c_str(), 0700) != 0 && errno != EEXIST) return SystemReason(errno);
  auto info = StatOf(directory, false);
  if (!info || !S_ISDIR(info->st_mode)) return directory.string() + " is not a folder";
  return {};
}

// A trash folder with its two subfolders, made when missing.
std::string PrepareTrash(const fs::path& trash) {
  for (const fs::path& folder : {trash, trash / "files", trash / "info"})
    if (std::string reason = MakePrivateDirectory(folder); !reason.empty()) return reason;
  return {};
}

// The top of the file system holding `directory`: its last ancestor on the
// same device.
fs::path MountTop(const fs::path& directory, dev_t device) {
  fs::path top = directory;
  while (top.has_relative_path()) {
    const fs::path parent = top.parent_path();
    auto info = StatOf(parent, true);
    if (!info || info->st_dev != device) break;
    top = parent;
  }
  return top;
}

// $topdir/.Trash/$UID when $topdir/.Trash is a real folder with the sticky
// bit (shared by all users), else $topdir/.Trash-$UID; owned by us either way.
std::optional<fs::path> TopTrash(const fs::path& top, std::string& reason) {
  const std::string uid = std::to_string(::getuid());
  const auto shared = StatOf(top / ".Trash", false);
  std::optional<fs::path> trash;
  if (shared && S_ISDIR(shared->st_mode) && (shared->st_mode & S_ISVTX)) {
    trash = top / ".Trash" / uid;
    reason = PrepareTrash(*trash);
  }
  if (!trash || !reason.empty()) {
    trash = top / (".Trash-" + uid);
    reason = PrepareTrash(*trash);
  }
  if (!reason.empty()) return std::nullopt;
  const auto own = StatOf(*trash, false);
  if (!own || own->st_uid != ::getuid()) {
    reason = trash->string() + " belongs to another user";
    return std::nullopt;
  }
  return trash;
}

// The path as a URL path: bytes outside the unreserved set percent-encoded.
std::string EscapePath(const std::string& path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string escaped;
  for (unsigned char c : path) {
    if (std::isalnum(c) || std::strchr("-_.!~*'()/", c))
      escaped += char(c);
    else
      escaped += {'%', kHex[c >> 4], kHex[c & 15]};
  }
  return escaped;
}

std::string DeletionDate() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  ::localtime_r(&now, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
  return text;
}

// The name under which the file goes into the trash: its own, or with a
// number before the extension when the trash holds that name already. The
// info file is made at once, so two programs never take the same name.
std::string ReserveName(const fs::path& trash, const fs::path& file, const std::string& info) {
  const std::string stem = file.stem().native(), extension = file.extension().native();
  for (int number = 1; number < 10000; ++number) {
    const std::string name = number == 1 ? file.filename().native() : stem + "." + std::to_string(number) + extension;
    if (StatOf(trash / "files" / name, false)) continue;
    const fs::path infoPath = trash / "info" / (name + ".trashinfo");
    const int fd = ::open(infoPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      throw FileError(file, "the trash could not record it: " + SystemReason(errno));
    }
    const bool written = ::write(fd, info.data(), info.size()) == ssize_t(info.size());
    const int writeError = errno;
    if (::close(fd) != 0 || !written) {
      ::unlink(infoPath.c_str());
      throw FileError(file, "the trash could not record it: " + SystemReason(written ? errno : writeError));
    }
    return name;
  }
  throw FileError(file, "the trash holds too many files of this name");
}

}  // namespace

fs::path HomeTrash() {
  const char* dataHome = std::getenv("XDG_DATA_HOME");
  if (dataHome && *dataHome == '/') return fs::path(dataHome) / "Trash";
  const char* home = std::getenv("HOME");
  return fs::path(home ? home : "/") / ".local/share/Trash";
}

fs::path MoveToTrash(const fs::path& file) {
  const fs::path absolute = fs::absolute(file).lexically_normal();
  const auto info = StatOf(absolute, false);
  if (!info) throw FileError(file, "it cannot be moved to the trash: " + SystemReason(errno));
  const fs::path home = HomeTrash();
  fs::path trash;
  std::string recordedPath = absolute.native();
  std::string reason;
  if (DeviceOf(home) == info->st_dev) {
    trash = home;
    reason = PrepareTrash(trash);
  } else {
    const fs::path top = MountTop(absolute.parent_path(), info->st_dev);
    if (auto found = TopTrash(top, reason)) {
      trash = *found;
      recordedPath = absolute.lexically_relative(top).native();
    }
  }
  if (!reason.empty()) throw FileError(file, "no trash folder could be made for it: " + reason);

  const std::string name =
      ReserveName(trash, absolute, "[Trash Info]\nPath=" + EscapePath(recordedPath) + "\nDeletionDate=" + DeletionDate() + "\n");
  const fs::path target = trash / "files" / name;
  if (::rename(absolute.c_str(), target.c_str()) != 0) {
    const int error = errno;
    ::unlink((trash / "info" / (name + ".trashinfo")).c_str());
    throw FileError(file, "it could not be moved to the trash: " + SystemReason(error));
  }
  return target;
}

}  // namespace pixaldo
