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

#include "platform/SideThread.h"

namespace pixaldo {

// Threads to use for `items` pieces of work: one a core, never more than
// there are pieces, at least one.
inline unsigned WorkerCountFor(size_t items) {
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  return unsigned(std::clamp<size_t>(items, 1, cores));
}

// produce(index, worker) → Result runs on one of `workers` threads (worker in
// 0 .. workers - 1, so that each thread can keep its own reusable state);
// consume(Result&) runs on the calling thread, in index order. The calling
// thread is worker 0: between results to consume it produces as the others
// do, so that `workers` threads keep as many cores busy and hand over their
// results without waking one another at every piece. With one worker
// everything runs on the calling thread.
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
  std::vector<std::optional<Result>> held(window);  // result of index i waits in slot i % window
  size_t nextToClaim = 0;
  size_t nextToConsume = 0;
  bool stop = false;
  std::exception_ptr failure;

  auto fail = [&] {  // with the mutex held
    if (!failure) failure = std::current_exception();
    stop = true;
  };
  // Produces the piece `index` and leaves its result in its slot.
  auto make = [&](size_t index, unsigned worker) {
    try {
      Result result = produce(index, worker);
      std::lock_guard lock(mutex);
      held[index % window].emplace(std::move(result));
    } catch (...) {
      std::lock_guard lock(mutex);
      fail();
    }
    changed.notify_all();
  };
  auto claimable = [&] { return nextToClaim < count && nextToClaim < nextToConsume + window; };

  auto work = [&](unsigned worker) {
    for (;;) {
      size_t index;
      {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return stop || nextToClaim >= count || claimable(); });
        if (stop || nextToClaim >= count) return;
        index = nextToClaim++;
      }
      make(index, worker);
    }
  };

  auto finish = [&] {
    {
      std::lock_guard lock(mutex);
      stop = true;
    }
    changed.notify_all();
  };
  std::vector<SideThread> threads;
  threads.reserve(workers - 1);
  try {
    for (unsigned w = 1; w < workers; ++w) threads.emplace_back([&work, w] { work(w); });
  } catch (...) {
    finish();
    threads.clear();  // joins those started
    throw;
  }
  bool settled = false;
  while (nextToConsume < count) {
    std::optional<Result> ready;
    size_t index = count;
    {
      std::unique_lock lock(mutex);
      changed.wait(lock, [&] { return stop || held[nextToConsume % window].has_value() || claimable(); });
      if (stop) break;
      if (held[nextToConsume % window].has_value())
        ready.swap(held[nextToConsume % window]);
      else
        index = nextToClaim++;
    }
    if (!ready) {
      make(index, 0u);
      continue;
    }
    try {
      consume(*ready);
    } catch (...) {
      std::lock_guard lock(mutex);
      fail();
      break;
    }
    {
      std::lock_guard lock(mutex);
      ++nextToConsume;
    }
    changed.notify_all();
    if (!settled) {  // every thread has found a core of its own by now; from here on the kernel balances them
      for (SideThread& thread : threads) thread.Widen();
      settled = true;
    }
  }
  finish();
  threads.clear();  // joins them
  if (failure) std::rethrow_exception(failure);
}

}  // namespace pixaldo
