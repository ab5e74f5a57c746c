#include "platform/Process.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <fcntl.h>
#include <poll.h>
#include <sys/syscall.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace pixaldo {
namespace {

constexpr std::size_t kMaxErrorOutput = 64 * 1024;
constexpr std::chrono::milliseconds kWaitStep{10};

// Closes the descriptors it holds when it goes out of scope.
struct Pipe {
  int fds[2] = {-1, -1};
  ~Pipe() {
    for (int fd : fds)
      if (fd >= 0) ::close(fd);
  }
  void Close(int end) {
    ::close(fds[end]);
    fds[end] = -1;
  }
};

std::string TrimTrailingLineEnds(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
  return text;
}

// The program's path: as given when it holds a slash, else the first
// executable match on PATH. Looked up before forking, as the child may only
// make the simplest system calls.
std::string FindProgram(const std::string& name) {
  if (name.find('/') != std::string::npos) return name;
  const char* path = std::getenv("PATH");
  std::string entries = path ? path : "/usr/local/bin:/usr/bin:/bin";
  for (size_t start = 0; start <= entries.size();) {
    size_t colon = entries.find(':', start);
    if (colon == std::string::npos) colon = entries.size();
    const std::string folder = entries.substr(start, colon - start);
    start = colon + 1;
    if (folder.empty()) continue;
    const std::string candidate = folder + "/" + name;
    struct stat info {};
    if (::stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(candidate.c_str(), X_OK) == 0)
      return candidate;
  }
  return {};
}

// In the child: standard streams, death with the parent, the size its
// output file may reach, the program. Only async-signal-safe calls; an exec
// failure goes back through `status`.
[[noreturn]] void StartChild(const char* program, char* const* args, char* const* environment, int inputFile,
                             int outputFile, rlim_t maxOutput, int errorPipe, int status, pid_t parent,
                             const sigset_t& parentMask) {
  // The parent's handlers are not for the child (it shares the parent's
  // memory until the exec); signals come through again once they are reset.
  struct sigaction standard {};
  standard.sa_handler = SIG_DFL;
  for (int number = 1; number < NSIG; ++number) ::sigaction(number, &standard, nullptr);
  ::pthread_sigmask(SIG_SETMASK, &parentMask, nullptr);
  ::prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (::getppid() != parent) ::_exit(127);  // the parent is already gone
  const int in = inputFile >= 0 ? inputFile : ::open("/dev/null", O_RDONLY);
  if (inputFile >= 0) ::lseek(inputFile, 0, SEEK_SET);
  const int out = outputFile >= 0 ? outputFile : ::open("/dev/null", O_WRONLY);
  const rlimit size{maxOutput, maxOutput};
  if (in < 0 || out < 0 || ::dup2(in, 0) < 0 || ::dup2(out, 1) < 0 || ::dup2(errorPipe, 2) < 0 ||
      (outputFile >= 0 && ::setrlimit(RLIMIT_FSIZE, &size) != 0)) {
    const int error = errno;
    (void)!::write(status, &error, sizeof error);
    ::_exit(127);
  }
  ::execve(program, args, environment);
  const int error = errno;
  (void)!::write(status, &error, sizeof error);
  ::_exit(127);
}

// The program's environment: the entries given, then this process's
// entries of other names. Points into `given` and `environ`.
std::vector<char*> EnvironmentWith(const std::vector<std::string>& given) {
  std::vector<char*> entries;
  for (const std::string& entry : given) entries.push_back(const_cast<char*>(entry.c_str()));
  for (char** inherited = environ; *inherited; ++inherited) {
    const std::string_view entry(*inherited);
    const std::string_view name = entry.substr(0, entry.find('=') + 1);
    if (std::none_of(given.begin(), given.end(), [&](const std::string& g) { return g.starts_with(name); }))
      entries.push_back(*inherited);
  }
  entries.push_back(nullptr);
  return entries;
}

// Reads the child's standard error until it is closed, keeping the first
// kMaxErrorOutput bytes; false when the deadline passes.
bool CollectErrors(int fd, std::string& kept, std::chrono::steady_clock::time_point deadline, bool limited) {
  char buffer[16 * 1024];
  for (;;) {
    pollfd ready{fd, POLLIN, 0};
    int timeout = -1;
    if (limited) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) return false;
      timeout = int(std::min<long long>(left.count(), 60'000));
    }
    if (::poll(&ready, 1, timeout) <= 0) continue;  // interrupted, or the loop checks the deadline
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return true;  // closed: the program has ended or closed it
    kept.append(buffer, std::min(std::size_t(n), kMaxErrorOutput - std::min(kMaxErrorOutput, kept.size())));
  }
}

// Waits until the child can be reaped or the deadline passes: on a process
// descriptor when the system has them (no polling delay after the end),
// else in short sleeps.
void AwaitEnd(pid_t pid, std::chrono::steady_clock::time_point deadline) {
  const int fd = int(::syscall(SYS_pidfd_open, pid, 0));
  if (fd < 0) {
    std::this_thread::sleep_for(kWaitStep);
    return;
  }
  pollfd ready{fd, POLLIN, 0};
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
  ::poll(&ready, 1, int(std::clamp<long long>(left.count(), 0, 60'000)));
  ::close(fd);
}

// Waits for the child's end until the deadline; false on the deadline.
bool WaitForEnd(pid_t pid, int& status, std::chrono::steady_clock::time_point deadline, bool limited) {
  for (;;) {
    const pid_t done = ::waitpid(pid, &status, limited ? WNOHANG : 0);
    if (done == pid) return true;
    if (done < 0 && errno != EINTR) return true;
    if (limited && std::chrono::steady_clock::now() >= deadline) return false;
    if (limited) AwaitEnd(pid, deadline);
  }
}

}  // namespace

std::string ProcessResult::Describe() const {
  if (!started) return "cannot start the program: " + startError;
  if (outputTooLong) return "the program's output was larger than allowed; it was stopped";
  if (timedOut)
    return "the program took longer than " + std::to_string(limit.count()) + " seconds and was stopped";
  std::string output = TrimTrailingLineEnds(errorOutput);
  std::size_t lineStart = output.find_last_of('\n');
  std::string lastLine = lineStart == std::string::npos ? output : output.substr(lineStart + 1);
  if (!lastLine.empty()) return lastLine;
  if (signal != 0) return "the program was ended by signal " + std::to_string(signal);
  return "the program ended with exit status " + std::to_string(exitStatus);
}

ProcessResult RunProcess(const std::vector<std::string>& argv, const ProcessOptions& options) {
  ProcessResult result;
  const std::chrono::seconds limit = options.limit;
  result.limit = limit;
  if (argv.empty()) {
    result.startError = "no program given";
    return result;
  }
  const std::string program = FindProgram(argv[0]);
  if (program.empty()) {
    result.startError = std::strerror(ENOENT);
    return result;
  }
  Pipe errors, status;
  if (::pipe2(errors.fds, O_CLOEXEC) != 0 || ::pipe2(status.fds, O_CLOEXEC) != 0) {
    result.startError = std::strerror(errno);
    return result;
  }
  const rlim_t maxOutput = rlim_t(std::min<std::size_t>(options.maxOutput, RLIM_INFINITY));
  std::vector<char*> args;
  for (const std::string& word : argv) args.push_back(const_cast<char*>(word.c_str()));
  args.push_back(nullptr);
  std::vector<char*> environment = EnvironmentWith(options.environment);

  const pid_t parent = ::getpid();
  // vfork, not fork: a large process (the window, with its pictures) would
  // copy its whole page table for every program started. No signal handler
  // runs in the child before it has reset them.
  sigset_t all, parentMask;
  ::sigfillset(&all);
  ::pthread_sigmask(SIG_SETMASK, &all, &parentMask);
  const pid_t pid = ::vfork();
  if (pid == 0)
    StartChild(program.c_str(), args.data(), environment.data(), options.inputFile, options.outputFile, maxOutput,
               errors.fds[1], status.fds[1], parent, parentMask);
  const int forkError = errno;
  ::pthread_sigmask(SIG_SETMASK, &parentMask, nullptr);
  if (pid < 0) {
    result.startError = std::strerror(forkError);
    return result;
  }
  errors.Close(1);
  status.Close(1);

  int startError = 0;
  ssize_t n;
  do n = ::read(status.fds[0], &startError, sizeof startError);
  while (n < 0 && errno == EINTR);
  if (n == ssize_t(sizeof startError)) {
    int ignored = 0;
    ::waitpid(pid, &ignored, 0);
    result.startError = std::strerror(startError);
    return result;
  }
  result.started = true;

  const bool limited = limit.count() > 0;
  const auto deadline = std::chrono::steady_clock::now() + limit;
  int code = 0;
  if (!CollectErrors(errors.fds[0], result.errorOutput, deadline, limited) ||
      !WaitForEnd(pid, code, deadline, limited)) {
    ::kill(pid, SIGKILL);
    while (::waitpid(pid, &code, 0) < 0 && errno == EINTR) {
    }
    result.timedOut = true;
    result.signal = SIGKILL;
    return result;
  }
  if (WIFEXITED(code)) {
    result.exitStatus = WEXITSTATUS(code);
  } else if (WIFSIGNALED(code)) {
    result.signal = WTERMSIG(code);
    // A write beyond the size limit of the output file ends the program so.
    result.outputTooLong = result.signal == SIGXFSZ && options.outputFile >= 0;
  }
  return result;
}

}  // namespace pixaldo
