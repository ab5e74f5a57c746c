#pragma once
// What the viewer benchmarks share: medians, a peer program timed as the
// viewer starts programs (argument vector, no shell), and letting the window
// handle what is queued without timing it.
#include <QApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace pixaldo::bench {

inline double Median(std::vector<double> list) {
  if (list.empty()) return 0;
  std::sort(list.begin(), list.end());
  return list[list.size() / 2];
}

inline void Settle(int milliseconds) {
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < milliseconds) QApplication::processEvents(QEventLoop::AllEvents, 10);
}

// Runs the program with its standard output thrown away; the milliseconds
// it took. Ends the benchmark when it cannot start or fails.
inline double TimeProgram(std::vector<std::string> words) {
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  QElapsedTimer clock;
  clock.start();
  pid_t child = 0;
  const int started = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (started != 0) {
    std::fprintf(stderr, "cannot start %s\n", argv[0]);
    std::exit(2);
  }
  int status = 0;
  waitpid(child, &status, 0);
  const double elapsed = clock.nsecsElapsed() / 1e6;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "%s failed\n", argv[0]);
    std::exit(2);
  }
  return elapsed;
}

// The machine's load over the last minute, for the figures' context.
inline double LoadAverage() {
  double load[1] = {0};
  return getloadavg(load, 1) == 1 ? load[0] : -1;
}

}  // namespace pixaldo::bench
