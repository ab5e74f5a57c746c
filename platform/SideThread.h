#pragma once
// A thread that works beside the one that starts it, used like std::thread
// (but joined, not fatal, when destroyed unjoined).
//
// Left to the kernel, a new thread is often queued on its creator's core
// even when another one is idle, and a thread the creator wakes again and
// again is drawn back onto the creator's core: the two then take turns on
// one core while the other stays idle. For a pipeline of two threads (a
// decoder and its scaler) that costs the creator much of its speed. A
// SideThread therefore runs on the process's other cores until Widen() is
// called (typically when the creator stops working and waits for it), and
// from then on anywhere. With a single core it is an ordinary thread.
#include <functional>

#include <pthread.h>
#include <sched.h>

namespace pixaldo {

class SideThread {
 public:
  SideThread() = default;
  // Throws std::system_error when no thread can be made.
  explicit SideThread(std::function<void()> body);
  SideThread(SideThread&& other) noexcept;
  SideThread& operator=(SideThread&& other) noexcept;
  SideThread(const SideThread&) = delete;
  SideThread& operator=(const SideThread&) = delete;
  ~SideThread();

  // Lets the thread run on every core its creator may use, its creator's too.
  void Widen() noexcept;

  bool joinable() const { return running_; }
  void join();

 private:
  pthread_t thread_{};
  bool running_ = false;
  bool narrowed_ = false;
  cpu_set_t allowed_{};  // the creator's cores
};

}  // namespace pixaldo
