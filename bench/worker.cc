#include "worker.h"

#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace qst_bench {
namespace {

bool readAll(int fd, void* data, size_t size) {
  auto* bytes = static_cast<char*>(data);
  while (size > 0) {
    ssize_t n = read(fd, bytes, size);
    if (n <= 0) return false;
    bytes += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

bool writeAll(int fd, const void* data, size_t size) {
  const auto* bytes = static_cast<const char*>(data);
  while (size > 0) {
    ssize_t n = write(fd, bytes, size);
    if (n <= 0) return false;
    bytes += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

// The parent's ends of every worker's pipes. A child closes those it
// inherited, or an older worker would never see its pipe close.
std::vector<int>& parentEnds() {
  static std::vector<int> ends;
  return ends;
}

double processCPUSeconds() {
  timespec t;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

}  // namespace

Sample measure(const std::function<void()>& work) {
  const double cpu0 = processCPUSeconds();
  const auto wall0 = std::chrono::steady_clock::now();
  work();
  const auto wall1 = std::chrono::steady_clock::now();
  const double cpu1 = processCPUSeconds();
  return {std::chrono::duration<double>(wall1 - wall0).count(), cpu1 - cpu0};
}

Worker::Worker(const std::function<Serve()>& boot) {
  int down[2], up[2];
  if (pipe(down) != 0 || pipe(up) != 0) std::abort();
  std::fflush(nullptr);
  child_ = fork();
  if (child_ < 0) std::abort();
  if (child_ == 0) {
    close(down[1]);
    close(up[0]);
    for (int fd : parentEnds()) close(fd);
    parentEnds().clear();
    int status = 0;
    {
      Serve serve = boot();
      int request;
      while (readAll(down[0], &request, sizeof request)) {
        Sample sample = serve(request);
        if (!writeAll(up[1], &sample, sizeof sample)) break;
      }
    }  // the handler's state (temporary roots among it) goes before the exit
    std::fflush(nullptr);
    _exit(status);
  }
  close(down[0]);
  close(up[1]);
  toChild_ = down[1];
  fromChild_ = up[0];
  parentEnds().push_back(toChild_);
  parentEnds().push_back(fromChild_);
}

Worker::~Worker() {
  std::erase_if(parentEnds(), [this](int fd) { return fd == toChild_ || fd == fromChild_; });
  close(toChild_);
  close(fromChild_);
  int status;
  waitpid(child_, &status, 0);
}

Sample Worker::run(int request) {
  Sample sample;
  if (!writeAll(toChild_, &request, sizeof request) || !readAll(fromChild_, &sample, sizeof sample)) {
    std::fprintf(stderr, "bench: a worker process died\n");
    std::abort();
  }
  return sample;
}

}  // namespace qst_bench
