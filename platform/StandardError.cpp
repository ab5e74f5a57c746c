#include "platform/StandardError.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <iostream>
#include <mutex>
#include <unistd.h>

namespace pixaldo {
namespace {

std::mutex gMutex;
int gDepth = 0;
int gSaved = -1;  // the real standard error while it is quiet

}  // namespace

QuietStandardError::QuietStandardError() {
  const std::lock_guard lock(gMutex);
  if (gDepth++ > 0) return;
  std::fflush(stderr);
  std::cerr.flush();
  gSaved = ::dup(STDERR_FILENO);
  const int nowhere = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
  if (gSaved >= 0 && nowhere >= 0) ::dup2(nowhere, STDERR_FILENO);
  if (nowhere >= 0) ::close(nowhere);
}

QuietStandardError::~QuietStandardError() {
  const std::lock_guard lock(gMutex);
  if (--gDepth > 0 || gSaved < 0) return;
  std::cerr.flush();
  ::dup2(gSaved, STDERR_FILENO);
  ::close(gSaved);
  gSaved = -1;
}

void WriteStandardError(std::string_view text) {
  const std::lock_guard lock(gMutex);
  const int fd = gSaved >= 0 ? gSaved : STDERR_FILENO;
  while (!text.empty()) {
    const ssize_t written = ::write(fd, text.data(), text.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return;  // nowhere left to say it
    text.remove_prefix(size_t(written));
  }
}

}  // namespace pixaldo
