#pragma once
// Work on a numbered list spread over several threads, with the results
// handed back one by one in list order on the calling thread. At most
// `window` results wait at any time, so memory stays bounded however long the
// list is. The first exception, from a worker or from the consumer, stops the
// work and is rethrown once every thread has ended.
#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace pixaldo {

// Threads to use for `items` pieces of work: one a core, never more than
// there are pieces, at least one.
inline unsigned WorkerCountFor(size_t items) {
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  return unsigned(std::clamp<size_t>(items, 1, cores));
}

// produce(index, worker) → Result runs on one of `workers` threads (worker in
// 0 .. workers - 1, so that each thread can keep its own reusable state);
// consume(Result&) runs on the calling thread, in index order. With one
// worker everything runs on the calling thread.
template <typename Result, typename Produce, typename Consume>
void RunOrdered(size_t count, unsigned workers, size_t window, Produce produce, Consume consume) {
  if (workers <= 1 || count <= 1) {
    for (size_t i = 0; i < count; ++i) {
      Result result = produce(i, 0u);
      consume(result);
    }
    return;
  }
  window = std::max<size_t>(window, workers);
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<std::optional<Result>> slots(window);  // result of index i waits in slot i % window
  size_t nextToClaim = 0;
  size_t nextToConsume = 0;
  bool stop = false;
  std::exception_ptr failure;

  auto work = [&](unsigned worker) {
    for (;;) {
      size_t index;
      {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return stop || nextToClaim >= count || nextToClaim < nextToConsume + window; });
        if (stop || nextToClaim >= count) return;
        index = nextToClaim++;
      }
      try {
        Result result = produce(index, worker);
        std::lock_guard lock(mutex);
        slots[index % window].emplace(std::move(result));
      } catch (...) {
        std::lock_guard lock(mutex);
        if (!failure) failure = std::current_exception();
        stop = true;
      }
      changed.notify_all();
    }
  };

  std::vector<std::thread> threads;
  threads.reserve(workers);
  for (unsigned w = 0; w < workers; ++w) threads.emplace_back(work, w);
  for (; nextToConsume < count;) {
    std::optional<Result> ready;
    {
      std::unique_lock lock(mutex);
      changed.wait(lock, [&] { return stop || slots[nextToConsume % window].has_value(); });
      if (stop) break;
      ready.swap(slots[nextToConsume % window]);
    }
    try {
      consume(*ready);
    } catch (...) {
      std::lock_guard lock(mutex);
      if (!failure) failure = std::current_exception();
      stop = true;
      break;
    }
    {
      std::lock_guard lock(mutex);
      ++nextToConsume;
    }
    changed.notify_all();
  }
  {
    std::lock_guard lock(mutex);
    stop = true;
  }
  changed.notify_all();
  for (std::thread& thread : threads) thread.join();
  if (failure) std::rethrow_exception(failure);
}

}  // namespace pixaldo
