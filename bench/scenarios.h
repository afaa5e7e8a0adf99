// The device roots and simulated SpringBoards the benchmarks compare: n
// reminders shown by the library against n of SpringBoard's own
// notifications without it.
#pragma once

#include <memory>
#include <string>

#include "device_root.h"
#include "worker.h"

namespace qst_bench {

// Requests a booted SpringBoard answers (see bootSpringBoard).
enum Request : int {
  kRelock = 1,  // unlock and lock again: refresh, view loading, table reload
  kWarmFetch,   // one fetch of the selected list through a new store handle
  kColdFetch,   // the same in a fresh copy of the process whose store has fetched nothing
  kRow,         // height, cell layout and icon of row 3
};

// n reminders due over the coming weeks in one selected list, with
// priorities, dot icons, the library enabled; no other notifications.
std::unique_ptr<qst_test::DeviceRoot> reminderRoot(int n);
// n notifications of SpringBoard's own (three applications, with icons),
// and a settings file with the library enabled or not.
std::unique_ptr<qst_test::DeviceRoot> notificationRoot(int n, bool libraryEnabled = true);

// n reminders of one list in its most drawn shape: dot icons, titles in the
// list's colour, right-aligned dates and a location subtitle on each.
std::unique_ptr<qst_test::DeviceRoot> styledReminderRoot(int n);
// n notifications, each of its own application ("com.example.n0", ...) with
// its own icon file (copies of the three applications' of notificationRoot);
// the library enabled, no reminders.
std::unique_ptr<qst_test::DeviceRoot> manyApplicationsRoot(int n);

struct Boot {
  bool withLibrary = true;
  std::function<std::unique_ptr<qst_test::DeviceRoot>()> makeRoot;
};

// Runs in a worker: boots SpringBoard on the root (iOS 7.1, so a relock
// replays SpringBoard's notifications as the library re-adds its reminders),
// locks twice so stores and caches are as after any earlier lock, and
// answers requests.
Serve bootSpringBoard(const Boot& boot);

}  // namespace qst_bench
