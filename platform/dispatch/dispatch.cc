// Counting semaphores on a mutex and a condition variable, and a pool of
// worker threads for the global queue. Workers are started as work arrives
// and none is idle, so work that waits on other work cannot starve; at exit
// the pool finishes what was queued and joins every worker.
#include "dispatch/dispatch.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include "runtime/autorelease.h"

struct dispatch_semaphore_s {
  std::mutex mutex;
  std::condition_variable available;
  long count = 0;
  long waiters = 0;
  std::atomic<long> references{1};
};

dispatch_time_t dispatch_time(dispatch_time_t when, std::int64_t delta) {
  if (when == DISPATCH_TIME_FOREVER) return DISPATCH_TIME_FOREVER;
  if (delta < 0) return when > static_cast<std::uint64_t>(-(delta + 1)) ? when + delta : DISPATCH_TIME_NOW;
  std::uint64_t sum = when + static_cast<std::uint64_t>(delta);
  return sum < when || sum == DISPATCH_TIME_FOREVER ? DISPATCH_TIME_FOREVER - 1 : sum;
}

dispatch_semaphore_t dispatch_semaphore_create(long value) {
  if (value < 0) return nullptr;  // as libdispatch answers
  auto* sema = new dispatch_semaphore_s;
  sema->count = value;
  return sema;
}

long dispatch_semaphore_wait(dispatch_semaphore_t sema, dispatch_time_t timeout) {
  if (!sema) return 1;
  std::unique_lock lock(sema->mutex);
  ++sema->waiters;
  auto hasCount = [sema] { return sema->count > 0; };
  bool acquired = true;
  // Beyond a century is forever; it also keeps the deadline arithmetic of
  // wait_for from overflowing.
  constexpr dispatch_time_t kCentury = 100ull * 366 * 24 * 3600 * NSEC_PER_SEC;
  if (timeout >= kCentury)
    sema->available.wait(lock, hasCount);
  else
    acquired = sema->available.wait_for(lock, std::chrono::nanoseconds(static_cast<std::int64_t>(timeout)), hasCount);
  --sema->waiters;
  if (!acquired) return 1;
  --sema->count;
  return 0;
}

long dispatch_semaphore_signal(dispatch_semaphore_t sema) {
  if (!sema) return 0;
  std::lock_guard lock(sema->mutex);
  ++sema->count;
  if (sema->waiters == 0) return 0;
  sema->available.notify_one();
  return 1;
}

void dispatch_retain(dispatch_semaphore_t object) {
  if (object) object->references.fetch_add(1, std::memory_order_relaxed);
}

void dispatch_release(dispatch_semaphore_t object) {
  if (object && object->references.fetch_sub(1, std::memory_order_acq_rel) == 1) delete object;
}

namespace {

class WorkerPool {
 public:
  ~WorkerPool() {
    std::vector<std::thread> workers;
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
      workers.swap(workers_);
    }
    queued_.notify_all();
    for (auto& worker : workers) {
      // exit() called from a worker cannot wait for that worker itself.
      if (worker.get_id() == std::this_thread::get_id())
        worker.detach();
      else
        worker.join();
    }
  }

  // True once nothing is queued or running, false when `bound` passed first.
  bool waitUntilIdle(std::chrono::milliseconds bound) {
    std::unique_lock lock(mutex_);
    return idled_.wait_for(lock, bound, [this] { return queue_.empty() && running_ == 0; });
  }

  void submit(std::function<void()> work) {
    std::lock_guard lock(mutex_);
    queue_.push_back(std::move(work));
    // Idle workers that were notified but have not woken yet still count as
    // idle, so compare them with everything still queued.
    if (queue_.size() > idle_ && workers_.size() < kMaxWorkers)
      workers_.emplace_back([this] { runWorker(); });
    else
      queued_.notify_one();
  }

 private:
  static constexpr size_t kMaxWorkers = 64;

  void runWorker() {
    std::unique_lock lock(mutex_);
    for (;;) {
      ++idle_;
      queued_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
      --idle_;
      if (queue_.empty()) return;  // stopping, and everything queued has run
      auto work = std::move(queue_.front());
      queue_.pop_front();
      ++running_;
      lock.unlock();
      runOne(work);
      lock.lock();
      if (--running_ == 0 && queue_.empty()) idled_.notify_all();
    }
  }

  static void runOne(const std::function<void()>& work) {
    AutoreleasePool pool;
    try {
      work();
    } catch (const std::exception& e) {
      // libdispatch has no one to hand an exception to either.
      std::fprintf(stderr, "*** dispatch: work on the global queue raised: %s\n", e.what());
      std::abort();
    }
  }

  std::mutex mutex_;
  std::condition_variable queued_, idled_;
  std::deque<std::function<void()>> queue_;
  std::vector<std::thread> workers_;
  size_t idle_ = 0, running_ = 0;
  bool stopping_ = false;
};

WorkerPool& globalPool() {
  static WorkerPool pool;
  return pool;
}

}  // namespace

void dispatch_async_global(std::function<void()> work) {
  if (work) globalPool().submit(std::move(work));
}

bool settleGlobalQueue(double maxRealSeconds) {
  const auto bound = std::chrono::duration<double>(maxRealSeconds > 0 ? maxRealSeconds : 0);
  return globalPool().waitUntilIdle(std::chrono::duration_cast<std::chrono::milliseconds>(bound));
}
