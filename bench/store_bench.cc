// The reminder store's fetch of n reminders in one list (one file each):
// cold, as the first fetch of a freshly started store reads and parses every
// file, against warm, when nothing changed since the last fetch and the
// store only looks at the folder and its files.
#include <benchmark/benchmark.h>

#include <time.h>

#include <functional>
#include <map>
#include <memory>

#include "dispatch/dispatch.h"
#include "eventkit/reminder_cache.h"
#include "foundation/NSArray.h"
#include "foundation/NSLog.h"
#include "foundation/NSString.h"
#include "reminder_device_root.h"
#include "runtime/autorelease.h"
#include "runtime/message.h"
#include "runtime/nsobject.h"
#include "store_fetch.h"

namespace {

constexpr const char* kList = "6D3F0C2A-1B4E-4C8F-9A7D-2E5B8C1F0A11";

// n reminders: a third undated, the rest due over the coming weeks, some with
// priorities and a location alarm; every file older than the store's
// "just changed" window.
std::unique_ptr<ReminderDeviceRoot> rootWith(int n) {
  auto root = std::make_unique<ReminderDeviceRoot>();
  root->addList(kList, "Home", "#FF8000");
  for (int i = 0; i < n; ++i) {
    std::string todo = "UID:r" + std::to_string(i) + "\nSUMMARY:Reminder number " + std::to_string(i) +
                       "\nPRIORITY:" + std::to_string(i % 10);
    if (i % 3 != 0) {
      char due[40];
      std::snprintf(due, sizeof due, "\nDUE:202612%02dT%02d0000Z", 7 + i % 20, i % 24);
      todo += due;
    }
    if (i % 7 == 0)
      todo += "\nBEGIN:VALARM\nX-APPLE-STRUCTURED-LOCATION;X-TITLE=Home:geo:1,2\nX-APPLE-PROXIMITY:ARRIVE\nEND:VALARM";
    root->addReminder(kList, "r" + std::to_string(100000 + i) + ".ics", reminderICS(todo));
  }
  root->settle();
  return root;
}

ReminderDeviceRoot& rootFor(int n) {
  static std::map<int, std::unique_ptr<ReminderDeviceRoot>> roots;
  auto& slot = roots[n];
  if (!slot) slot = rootWith(n);
  slot->makeCurrent();
  return *slot;
}

NSUInteger fetchAll() { return qst_bench::fetchIncompleteReminders(kList); }

// CPU time of the whole process (the store's thread works while the caller
// waits), which a busy machine inflates less than wall time.
double processCpuMs() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

void BM_ColdFetch(benchmark::State& state) {
  standin::setLogEcho(false);
  rootFor(static_cast<int>(state.range(0)));
  const double cpuBefore = processCpuMs();
  for (auto _ : state) {
    forgetReminderFilesForTesting();
    benchmark::DoNotOptimize(fetchAll());
  }
  state.counters["cpu_ms"] = (processCpuMs() - cpuBefore) / static_cast<double>(state.iterations());
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_WarmFetch(benchmark::State& state) {
  standin::setLogEcho(false);
  rootFor(static_cast<int>(state.range(0)));
  fetchAll();
  const double cpuBefore = processCpuMs();
  for (auto _ : state) benchmark::DoNotOptimize(fetchAll());
  state.counters["cpu_ms"] = (processCpuMs() - cpuBefore) / static_cast<double>(state.iterations());
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

// The lookup a selection file naming one list 2,000 times costs.
void BM_CalendarLookup2000(benchmark::State& state) {
  rootFor(1000);
  for (auto _ : state) {
    AutoreleasePool pool;
    id store = objc_autorelease(objc_new("EKEventStore"));
    for (int i = 0; i < 2000; ++i)
      benchmark::DoNotOptimize(msgSend<id, id>(store, "calendarWithIdentifier:", standin::str(kList)));
  }
}

BENCHMARK(BM_CalendarLookup2000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ColdFetch)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WarmFetch)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
