// A simulated SpringBoard in a process of its own, driven over a pipe.
//
// The library cannot be unloaded, so "with the library" and "without it"
// are two processes. Running both side by side and asking each for one
// sample in turn puts them through the same moments of a busy machine, so
// their ratio holds even when the absolute figures move.
#pragma once

#include <sys/types.h>

#include <functional>

namespace qst_bench {

// What one request cost: wall time, and the CPU time of the whole process
// (the store's threads included, since the main thread waits for them).
struct Sample {
  double wallSeconds = 0;
  double cpuSeconds = 0;
  Sample& operator+=(const Sample& other) {
    wallSeconds += other.wallSeconds;
    cpuSeconds += other.cpuSeconds;
    return *this;
  }
};

// The child's side: called once per request with the request's code.
using Serve = std::function<Sample(int request)>;

class Worker {
 public:
  // Forks; the child runs `boot` (which returns the request handler), then
  // answers requests until the pipe closes. The parent must be single-threaded.
  explicit Worker(const std::function<Serve()>& boot);
  ~Worker();
  Worker(const Worker&) = delete;
  Worker& operator=(const Worker&) = delete;

  // Sends one request and waits for its sample; aborts when the child died,
  // as a benchmark cannot go on without it.
  Sample run(int request);

 private:
  pid_t child_ = -1;
  int toChild_ = -1, fromChild_ = -1;
};

// Times `work` in the calling process.
Sample measure(const std::function<void()>& work);

}  // namespace qst_bench
