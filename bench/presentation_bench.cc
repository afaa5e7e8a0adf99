// The library's work while SpringBoard draws the list: one own-row height,
// one cell layout pass, one dot icon, and a whole table reload of 50 rows.
#include <benchmark/benchmark.h>

#include "Device.h"
#include "classes/SBLockScreenNotificationListView.h"
#include "device_root.h"
#include "foundation/NSLog.h"
#include "runtime/autorelease.h"
#include "runtime/message.h"

namespace {

using qst_test::DeviceRoot;

sb::Device& device() {
  static DeviceRoot root;
  static sb::Device* d = [] {
    standin::setLogEcho(false);
    root.list(qst_test::kHome, "Home", "#3478F6");
    root.selectCalendars({qst_test::kHome});
    for (int i = 0; i < 50; ++i)
      root.reminder(qst_test::kHome, {"SUMMARY:Reminder " + std::to_string(i), "DUE:20261208T100000Z"});
    root.settings({{"iconFile", std::string("DOT")}, {"textColor", 999ll}, {"wallpaperBlurMode", 1ll}});
    sb::DeviceOptions options;
    options.root = root.path();
    options.now = 818251200.0;
    auto* dev = new sb::Device(options);
    dev->lock();
    return dev;
  }();
  return *d;
}

id rowPath(NSInteger row) {
  return msgSend<id, NSInteger, NSInteger>(objc_getClass("NSIndexPath"), "indexPathForRow:inSection:", row, 0);
}

void BM_OwnRowHeight(benchmark::State& state) {
  sb::Device& d = device();
  AutoreleasePool pool;
  id path = rowPath(3);
  for (auto _ : state) {
    AutoreleasePool inner;
    benchmark::DoNotOptimize(
        msgSend<CGFloat, id, id>(d.listView(), "tableView:heightForRowAtIndexPath:", d.tableView(), path));
  }
}
BENCHMARK(BM_OwnRowHeight)->Unit(benchmark::kMicrosecond);

void BM_CellLayoutPass(benchmark::State& state) {
  sb::Device& d = device();
  AutoreleasePool pool;
  id cell = msgSend<id, id>(d.tableView(), "cellForRowAtIndexPath:", rowPath(3));
  for (auto _ : state) {
    AutoreleasePool inner;
    msgSend<void>(cell, "layoutSubviews");
    standin::clearLogCaptureForTesting();
  }
}
BENCHMARK(BM_CellLayoutPass)->Unit(benchmark::kMicrosecond);

void BM_DotIcon(benchmark::State& state) {
  sb::Device& d = device();
  AutoreleasePool pool;
  id item = msgSend<id, id>(d.listController(), "listItemAtIndexPath:", rowPath(3));
  for (auto _ : state) {
    AutoreleasePool inner;
    benchmark::DoNotOptimize(msgSend<id>(item, "iconImage"));
  }
}
BENCHMARK(BM_DotIcon)->Unit(benchmark::kMicrosecond);

void BM_TableReload50Rows(benchmark::State& state) {
  sb::Device& d = device();
  for (auto _ : state) {
    AutoreleasePool inner;
    sb::reloadNotificationList(d.listView());
    standin::clearLogCaptureForTesting();
  }
}
BENCHMARK(BM_TableReload50Rows)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
