// The least a rewrite of each file costs on this machine, for comparison
// with an edit that rewrites whole files: every file read, written whole to a
// new file beside it and renamed over it, on as many threads as asked. No
// lock, no flush, nothing parsed or changed; not a safe write, only the floor
// under one.
//   rewrite_floor_bench JOBS FILE...
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

bool Rewrite(const std::string& file) {
  std::string bytes;
  const int in = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return false;
  char buffer[1 << 16];
  for (ssize_t n; (n = ::read(in, buffer, sizeof buffer)) > 0;) bytes.append(buffer, size_t(n));
  ::close(in);
  const std::string temporary = file + ".floor";
  const int out = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (out < 0) return false;
  bool whole = ::write(out, bytes.data(), bytes.size()) == ssize_t(bytes.size());
  whole = ::close(out) == 0 && whole;
  return whole && ::rename(temporary.c_str(), file.c_str()) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: rewrite_floor_bench JOBS FILE...\n");
    return 2;
  }
  const int jobs = std::max(1, std::atoi(argv[1]));
  const std::vector<std::string> files(argv + 2, argv + argc);
  std::atomic<size_t> next{0};
  std::atomic<bool> failed{false};
  std::vector<std::thread> threads;
  for (int i = 0; i < jobs; ++i)
    threads.emplace_back([&] {
      for (size_t at; (at = next++) < files.size();)
        if (!Rewrite(files[at])) failed = true;
    });
  for (std::thread& thread : threads) thread.join();
  return failed ? 1 : 0;
}
