#include "platform/Process.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace pixaldo {
namespace {

constexpr std::size_t kMaxErrorOutput = 64 * 1024;

// Closes the descriptors it holds when it goes out of scope.
struct Pipe {
  int fds[2] = {-1, -1};
  ~Pipe() {
    for (int fd : fds)
      if (fd >= 0) ::close(fd);
  }
  void CloseWriteEnd() {
    ::close(fds[1]);
    fds[1] = -1;
  }
};

std::string TrimTrailingLineEnds(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
  return text;
}

}  // namespace

std::string ProcessResult::Describe() const {
  if (!started) return "cannot start the program: " + startError;
  std::string output = TrimTrailingLineEnds(errorOutput);
  std::size_t lineStart = output.find_last_of('\n');
  std::string lastLine = lineStart == std::string::npos ? output : output.substr(lineStart + 1);
  if (!lastLine.empty()) return lastLine;
  if (signal != 0) return "the program was ended by signal " + std::to_string(signal);
  return "the program ended with exit status " + std::to_string(exitStatus);
}

ProcessResult RunProcess(const std::vector<std::string>& argv) {
  ProcessResult result;
  if (argv.empty()) {
    result.startError = "no program given";
    return result;
  }
  Pipe pipe;
  if (::pipe2(pipe.fds, O_CLOEXEC) != 0) {
    result.startError = std::strerror(errno);
    return result;
  }

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, pipe.fds[1], 2);

  std::vector<char*> args;
  for (const std::string& word : argv) args.push_back(const_cast<char*>(word.c_str()));
  args.push_back(nullptr);

  pid_t pid = 0;
  int spawnError = ::posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawnError != 0) {
    result.startError = std::strerror(spawnError);
    return result;
  }
  result.started = true;
  pipe.CloseWriteEnd();

  char buffer[4096];
  for (;;) {
    ssize_t n = ::read(pipe.fds[0], buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    std::size_t room = kMaxErrorOutput - std::min(kMaxErrorOutput, result.errorOutput.size());
    result.errorOutput.append(buffer, std::min(room, std::size_t(n)));
  }

  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) {
      result.exitStatus = -1;
      return result;
    }
  }
  if (WIFEXITED(status)) {
    result.exitStatus = WEXITSTATUS(status);
  } else if (WIFSIGNALED(status)) {
    result.signal = WTERMSIG(status);
  }
  return result;
}

}  // namespace pixaldo
