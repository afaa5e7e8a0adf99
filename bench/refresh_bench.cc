// One whole refresh cycle (the library's replacement of the list controller's
// loadView: both files read, the previous bulletins withdrawn, the store's
// fetch and parse, filter, composition, hand-over to the controller) for
// lists of 10 to 10,000 reminders, and the store's fetch alone.
//
// SpringBoard's own loadView, which the cycle calls last, is left out here:
// it rebuilds and reloads the table, whose cost bench_presentation measures.
#include <benchmark/benchmark.h>
#include <dlfcn.h>

#include <functional>
#include <map>
#include <memory>

#include "Device.h"
#include "device_root.h"
#include "dispatch/dispatch.h"
#include "foundation/NSArray.h"
#include "foundation/NSLog.h"
#include "foundation/NSString.h"
#include "foundation/device.h"
#include "runtime/autorelease.h"
#include "runtime/message.h"
#include "runtime/nsobject.h"
#include "scenarios.h"
#include "store_fetch.h"
#include "substrate/substrate.h"

namespace {

using qst_test::DeviceRoot;

constexpr double kNow = 818251200.0;  // 2026-12-06 12:00 UTC

DeviceRoot& rootFor(int n) {
  static std::map<int, std::unique_ptr<DeviceRoot>> roots;
  auto& slot = roots[n];
  if (!slot) slot = qst_bench::reminderRoot(n);
  return *slot;
}

void viewLoadingLeftOut(id, SEL) {}

// SpringBoard is booted without the library, its own loadView is replaced by
// an empty one, and only then is the library mapped, so the library's
// replacement calls the empty one.
sb::Device& device() {
  static DeviceRoot empty;
  static sb::Device* d = [] {
    standin::setLogEcho(false);
    sb::DeviceOptions options;
    options.root = empty.path();
    options.systemVersion = "9.0";
    options.now = kNow;
    std::string module = options.modulePath;
    options.modulePath.clear();
    auto* dev = new sb::Device(options);
    IMP springBoards;
    MSHookMessageEx(objc_getClass("SBLockScreenNotificationListController"), sel("loadView"), viewLoadingLeftOut,
                    &springBoards);
    if (!dlopen(module.c_str(), RTLD_NOW | RTLD_GLOBAL)) std::abort();
    dev->lock();
    return dev;
  }();
  return *d;
}

void BM_RefreshCycle(benchmark::State& state) {
  int n = static_cast<int>(state.range(0));
  sb::Device& d = device();
  standin::setDeviceRoot(rootFor(n).path());
  for (auto _ : state) {
    d.relock();
    standin::clearLogCaptureForTesting();
  }
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_RefreshCycle)->Arg(10)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

// The store's part alone: resolve the calendar, fetch and parse every file.
void BM_StoreFetch(benchmark::State& state) {
  int n = static_cast<int>(state.range(0));
  device();
  standin::setDeviceRoot(rootFor(n).path());
  for (auto _ : state) {
    NSUInteger fetched = qst_bench::fetchIncompleteReminders(qst_test::kHome);
    benchmark::DoNotOptimize(fetched);
  }
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_StoreFetch)->Arg(10)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
