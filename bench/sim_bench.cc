// springboard-sim --json on large locks, run as a user runs it: one process
// per run, its wall time and peak resident memory (the kernel's high-water
// mark of the child), each against a reference shape of as many rows run in
// turn with it:
//   BM_StyledReminders/n    n reminders with dot icons, titles in the list's
//                           colour, right-aligned dates and location
//                           subtitles, against n reminders with the plain
//                           settings (dot icons only);
//   BM_ManyApplications/n   n notifications each of its own application and
//                           icon, against n notifications of three.
// Targets: 5,000 styled reminders and 10,000 applications each within 2 s
// and 300 MB; memory and time per row flat as n grows (compare the
// per-row counters across n).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "scenarios.h"

namespace {

struct Run {
  double wallSeconds = 0;
  double peakMegabytes = 0;
};

// One springboard-sim --json on the root, its output discarded.
Run simulate(const std::string& root) {
  const auto start = std::chrono::steady_clock::now();
  pid_t child = fork();
  if (child < 0) std::abort();
  if (child == 0) {
    int null = open("/dev/null", O_WRONLY);
    dup2(null, STDOUT_FILENO);
    setenv("QST_MODULE", QST_MODULE_PATH, 1);
    execl(SPRINGBOARD_SIM, SPRINGBOARD_SIM, "--json", "--root", root.c_str(), "--now", "2026-12-06T12:00:00Z",
          static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  if (wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) std::abort();
  Run run;
  run.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  run.peakMegabytes = static_cast<double>(usage.ru_maxrss) / 1024.0;  // kB
  return run;
}

// Roots live until the end of the run, one per shape and size.
const std::string& rootOf(const std::string& name, const std::function<std::unique_ptr<qst_test::DeviceRoot>()>& make) {
  static std::map<std::string, std::unique_ptr<qst_test::DeviceRoot>> roots;
  auto& slot = roots[name];
  if (!slot) slot = make();
  return slot->path();
}

void compare(benchmark::State& state, const std::string& subject, const std::string& reference) {
  Run total, referenceTotal;
  double peak = 0, referencePeak = 0;
  bool subjectFirst = true;
  for (auto _ : state) {
    Run s, r;
    if (subjectFirst) {
      s = simulate(subject);
      r = simulate(reference);
    } else {
      r = simulate(reference);
      s = simulate(subject);
    }
    subjectFirst = !subjectFirst;
    state.SetIterationTime(s.wallSeconds);
    total.wallSeconds += s.wallSeconds;
    referenceTotal.wallSeconds += r.wallSeconds;
    peak = std::max(peak, s.peakMegabytes);
    referencePeak = std::max(referencePeak, r.peakMegabytes);
  }
  const double n = static_cast<double>(state.iterations()), rows = static_cast<double>(state.range(0));
  state.counters["peak_MB"] = peak;
  state.counters["ref_wall_s"] = referenceTotal.wallSeconds / n;
  state.counters["ref_peak_MB"] = referencePeak;
  state.counters["wall_ratio"] = total.wallSeconds / referenceTotal.wallSeconds;
  state.counters["peak_ratio"] = peak / referencePeak;
  state.counters["ms_per_row"] = total.wallSeconds / n / rows * 1e3;
  state.counters["kB_per_row"] = peak * 1024.0 / rows;
}

void BM_StyledReminders(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const std::string size = std::to_string(n);
  compare(state, rootOf("styled " + size, [n] { return qst_bench::styledReminderRoot(n); }),
          rootOf("plain " + size, [n] { return qst_bench::reminderRoot(n); }));
}
BENCHMARK(BM_StyledReminders)->Arg(1000)->Arg(2500)->Arg(5000)->Iterations(2)->UseManualTime()->Unit(benchmark::kSecond);

void BM_ManyApplications(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const std::string size = std::to_string(n);
  compare(state, rootOf("applications " + size, [n] { return qst_bench::manyApplicationsRoot(n); }),
          rootOf("notifications " + size, [n] { return qst_bench::notificationRoot(n); }));
}
BENCHMARK(BM_ManyApplications)->Arg(2500)->Arg(10000)->Iterations(2)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
