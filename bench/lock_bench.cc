// What the library adds to SpringBoard's main thread, each figure against a
// reference measured in the same run, in two processes driven in turn (see
// worker.h):
//   BM_Lock/n          a whole relock showing n reminders, against the same
//                      relock showing n of SpringBoard's own notifications
//                      without the library;
//   BM_Disabled        the library loaded but disabled, against not loaded,
//                      with 50 of SpringBoard's notifications;
//   BM_WarmFetch/n     a fetch from a store that has fetched before, against
//                      the first fetch of a fresh store;
//   BM_OwnRow          height, layout and dot of one reminder row, against
//                      height, layout and icon of one of SpringBoard's rows.
// The reported time is the subject's wall time; the counters give the
// reference's, and the ratios of wall and of process CPU time.
//
// `bench_lock --write-root DIR reminders|notifications|styled-reminders|applications N`
// copies such a device root to DIR (scenarios.h), for timing the simulator
// from outside (run.sh).
#include <benchmark/benchmark.h>

#include <cstring>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>

#include "scenarios.h"

namespace {

using qst_bench::Boot;
using qst_bench::Request;
using qst_bench::Sample;
using qst_bench::Worker;

// Workers live until the end of the run, one per configuration.
Worker& worker(const std::string& name, const Boot& boot) {
  static std::map<std::string, std::unique_ptr<Worker>> workers;
  auto& slot = workers[name];
  if (!slot) slot = std::make_unique<Worker>([boot] { return qst_bench::bootSpringBoard(boot); });
  return *slot;
}

// One subject sample and one reference sample per iteration, taken in
// alternating order so neither always runs first.
void compare(benchmark::State& state, Worker& subject, Request subjectRequest, Worker& reference,
             Request referenceRequest) {
  Sample subjectTotal, referenceTotal;
  bool subjectFirst = true;
  for (auto _ : state) {
    Sample s, r;
    if (subjectFirst) {
      s = subject.run(subjectRequest);
      r = reference.run(referenceRequest);
    } else {
      r = reference.run(referenceRequest);
      s = subject.run(subjectRequest);
    }
    subjectFirst = !subjectFirst;
    state.SetIterationTime(s.wallSeconds);
    subjectTotal += s;
    referenceTotal += r;
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["cpu_ms"] = subjectTotal.cpuSeconds / n * 1e3;
  state.counters["ref_wall_ms"] = referenceTotal.wallSeconds / n * 1e3;
  state.counters["ref_cpu_ms"] = referenceTotal.cpuSeconds / n * 1e3;
  state.counters["wall_ratio"] = subjectTotal.wallSeconds / referenceTotal.wallSeconds;
  state.counters["cpu_ratio"] = subjectTotal.cpuSeconds / referenceTotal.cpuSeconds;
}

void BM_Lock(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const std::string size = std::to_string(n);
  Worker& reminders = worker("reminders " + size, {true, [n] { return qst_bench::reminderRoot(n); }});
  Worker& notifications = worker("notifications " + size, {false, [n] { return qst_bench::notificationRoot(n); }});
  compare(state, reminders, qst_bench::kRelock, notifications, qst_bench::kRelock);
}
BENCHMARK(BM_Lock)->Arg(10)->Arg(50)->Arg(1000)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Lock)->Arg(10000)->Iterations(4)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_Disabled(benchmark::State& state) {
  Worker& disabled = worker("disabled", {true, [] { return qst_bench::notificationRoot(50, false); }});
  Worker& notLoaded = worker("notifications 50", {false, [] { return qst_bench::notificationRoot(50); }});
  compare(state, disabled, qst_bench::kRelock, notLoaded, qst_bench::kRelock);
}
BENCHMARK(BM_Disabled)->UseManualTime()->Unit(benchmark::kMillisecond);

// Both stores run in SpringBoards without the library, so nothing but these
// requests ever fetches.
void BM_WarmFetch(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  auto root = [n] { return qst_bench::reminderRoot(n); };
  Worker& warm = worker("warm store " + std::to_string(n), {false, root});
  Worker& cold = worker("cold store " + std::to_string(n), {false, root});
  warm.run(qst_bench::kWarmFetch);
  compare(state, warm, qst_bench::kWarmFetch, cold, qst_bench::kColdFetch);
}
BENCHMARK(BM_WarmFetch)->Arg(1000)->Arg(10000)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_OwnRow(benchmark::State& state) {
  Worker& reminders = worker("reminders 50", {true, [] { return qst_bench::reminderRoot(50); }});
  Worker& notifications = worker("notifications 50", {false, [] { return qst_bench::notificationRoot(50); }});
  compare(state, reminders, qst_bench::kRow, notifications, qst_bench::kRow);
}
BENCHMARK(BM_OwnRow)->UseManualTime()->Unit(benchmark::kMicrosecond);

int writeRoot(const std::string& destination, const std::string& kind, int n) {
  std::unique_ptr<qst_test::DeviceRoot> root;
  if (kind == "reminders")
    root = qst_bench::reminderRoot(n);
  else if (kind == "notifications")
    root = qst_bench::notificationRoot(n);
  else if (kind == "styled-reminders")
    root = qst_bench::styledReminderRoot(n);
  else if (kind == "applications")
    root = qst_bench::manyApplicationsRoot(n);
  else {
    std::cerr << "bench_lock: unknown root kind " << kind
              << " (reminders, notifications, styled-reminders, applications)\n";
    return 2;
  }
  std::error_code ec;
  std::filesystem::copy(root->path(), destination, std::filesystem::copy_options::recursive, ec);
  if (ec) {
    std::cerr << "bench_lock: cannot write " << destination << ": " << ec.message() << "\n";
    return 2;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::strcmp(argv[1], "--write-root") == 0) {
    char* end = nullptr;
    long n = std::strtol(argv[4], &end, 10);
    if (*end || n < 0 || n > 100000) {
      std::cerr << "bench_lock: N must be a count from 0 to 100000\n";
      return 2;
    }
    return writeRoot(argv[2], argv[3], static_cast<int>(n));
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
