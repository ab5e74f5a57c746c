#include "platform/SideThread.h"

#include <memory>
#include <system_error>
#include <utility>

namespace pixaldo {

namespace {

// As with std::thread, an exception leaving the body ends the program.
void* Run(void* body) noexcept {
  std::unique_ptr<std::function<void()>>(static_cast<std::function<void()>*>(body))->operator()();
  return nullptr;
}

// The cores of `allowed` but the one the caller runs on; false when that leaves none.
bool OtherCores(const cpu_set_t& allowed, cpu_set_t& others) {
  const int here = ::sched_getcpu();
  if (here < 0 || here >= CPU_SETSIZE || !CPU_ISSET(here, &allowed)) return false;
  others = allowed;
  CPU_CLR(here, &others);
  return CPU_COUNT(&others) > 0;
}

}  // namespace

SideThread::SideThread(std::function<void()> body) {
  auto start = std::make_unique<std::function<void()>>(std::move(body));
  pthread_attr_t attributes;
  if (int error = ::pthread_attr_init(&attributes)) throw std::system_error(error, std::generic_category());
  cpu_set_t others;
  if (::sched_getaffinity(0, sizeof allowed_, &allowed_) == 0 && OtherCores(allowed_, others))
    narrowed_ = ::pthread_attr_setaffinity_np(&attributes, sizeof others, &others) == 0;
  int error = ::pthread_create(&thread_, &attributes, Run, start.get());
  if (error && narrowed_) {  // the cores may have changed meanwhile: an ordinary thread then
    narrowed_ = false;
    error = ::pthread_create(&thread_, nullptr, Run, start.get());
  }
  ::pthread_attr_destroy(&attributes);
  if (error) throw std::system_error(error, std::generic_category(), "cannot start a thread");
  start.release();  // the thread's now
  running_ = true;
}

SideThread::SideThread(SideThread&& other) noexcept
    : thread_(other.thread_), running_(std::exchange(other.running_, false)),
      narrowed_(std::exchange(other.narrowed_, false)), allowed_(other.allowed_) {}

SideThread& SideThread::operator=(SideThread&& other) noexcept {
  if (this != &other) {
    join();
    thread_ = other.thread_;
    running_ = std::exchange(other.running_, false);
    narrowed_ = std::exchange(other.narrowed_, false);
    allowed_ = other.allowed_;
  }
  return *this;
}

SideThread::~SideThread() { join(); }

void SideThread::Widen() noexcept {
  if (!running_ || !narrowed_) return;
  ::pthread_setaffinity_np(thread_, sizeof allowed_, &allowed_);
  narrowed_ = false;
}

void SideThread::join() {
  if (!running_) return;
  Widen();
  ::pthread_join(thread_, nullptr);
  running_ = false;
}

}  // namespace pixaldo
