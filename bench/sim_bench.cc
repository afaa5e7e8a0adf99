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
//   BM_Scenario/root        a user's scenario of 8 steps after the lock
//                           (relock; edit 0; notify …; nowplaying; wait 5;
//                           nowplaying-end; clear; relock) with --json and
//                           --png, against the same root's lock alone with
//                           --json and --png: 5,000 styled reminders (0) and
//                           10,000 applications (1).
// Targets: 5,000 styled reminders and 10,000 applications each within 2 s
// and 300 MB; memory and time per row flat as n grows (compare the
// per-row counters across n). A scenario within 3 s and 300 MB, its peak no
// more than 1.2 x the lock's alone: each step's screen is given back before
// the next. CPU seconds (the child's user + system) are reported beside the
// wall time, which a busy machine stretches.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "scenarios.h"

namespace {

struct Run {
  double wallSeconds = 0;
  double cpuSeconds = 0;
  double peakMegabytes = 0;
};

constexpr const char* kScenario =
    "relock; edit 0; notify com.example.chat Hello; nowplaying; wait 5; nowplaying-end; clear; relock";

double seconds(const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; }

// One springboard-sim --json on the root, its output discarded; with
// `events`, those steps and a picture (--png, outside the root).
Run simulate(const std::string& root, const char* events = nullptr) {
  const std::string picture =
      (std::filesystem::temp_directory_path() / ("qst-bench-sim-" + std::to_string(getpid()) + ".png")).string();
  const auto start = std::chrono::steady_clock::now();
  pid_t child = fork();
  if (child < 0) std::abort();
  if (child == 0) {
    int null = open("/dev/null", O_WRONLY);
    dup2(null, STDOUT_FILENO);
    setenv("QST_MODULE", QST_MODULE_PATH, 1);
    if (events && *events)
      execl(SPRINGBOARD_SIM, SPRINGBOARD_SIM, "--json", "--png", picture.c_str(), "--root", root.c_str(), "--now",
            "2026-12-06T12:00:00Z", "--events", events, static_cast<char*>(nullptr));
    else if (events)
      execl(SPRINGBOARD_SIM, SPRINGBOARD_SIM, "--json", "--png", picture.c_str(), "--root", root.c_str(), "--now",
            "2026-12-06T12:00:00Z", static_cast<char*>(nullptr));
    else
      execl(SPRINGBOARD_SIM, SPRINGBOARD_SIM, "--json", "--root", root.c_str(), "--now", "2026-12-06T12:00:00Z",
            static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  if (wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) std::abort();
  std::error_code ignored;
  std::filesystem::remove(picture, ignored);
  Run run;
  run.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  run.cpuSeconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
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

void compare(benchmark::State& state, const std::string& subject, const std::string& reference,
             const char* subjectEvents = nullptr, const char* referenceEvents = nullptr, double rows = 0) {
  Run total, referenceTotal;
  double peak = 0, referencePeak = 0;
  bool subjectFirst = true;
  for (auto _ : state) {
    Run s, r;
    if (subjectFirst) {
      s = simulate(subject, subjectEvents);
      r = simulate(reference, referenceEvents);
    } else {
      r = simulate(reference, referenceEvents);
      s = simulate(subject, subjectEvents);
    }
    subjectFirst = !subjectFirst;
    state.SetIterationTime(s.wallSeconds);
    total.wallSeconds += s.wallSeconds;
    total.cpuSeconds += s.cpuSeconds;
    referenceTotal.wallSeconds += r.wallSeconds;
    referenceTotal.cpuSeconds += r.cpuSeconds;
    peak = std::max(peak, s.peakMegabytes);
    referencePeak = std::max(referencePeak, r.peakMegabytes);
  }
  const double n = static_cast<double>(state.iterations());
  if (rows == 0) rows = static_cast<double>(state.range(0));
  state.counters["peak_MB"] = peak;
  state.counters["cpu_s"] = total.cpuSeconds / n;
  state.counters["ref_cpu_s"] = referenceTotal.cpuSeconds / n;
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
BENCHMARK(BM_StyledReminders)
    ->Arg(1000)
    ->Arg(2500)
    ->Arg(5000)
    ->Iterations(2)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

void BM_ManyApplications(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const std::string size = std::to_string(n);
  compare(state, rootOf("applications " + size, [n] { return qst_bench::manyApplicationsRoot(n); }),
          rootOf("notifications " + size, [n] { return qst_bench::notificationRoot(n); }));
}
BENCHMARK(BM_ManyApplications)->Arg(2500)->Arg(10000)->Iterations(2)->UseManualTime()->Unit(benchmark::kSecond);

// The scenario's subject and reference are the same root: the 8 steps
// against the lock alone.
void BM_Scenario(benchmark::State& state) {
  if (state.range(0) == 0) {
    const std::string& root = rootOf("styled 5000", [] { return qst_bench::styledReminderRoot(5000); });
    compare(state, root, root, kScenario, "", 5000);
  } else {
    const std::string& root = rootOf("applications 10000", [] { return qst_bench::manyApplicationsRoot(10000); });
    compare(state, root, root, kScenario, "", 10000);
  }
}
BENCHMARK(BM_Scenario)->Arg(0)->Arg(1)->Iterations(2)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
