// What running the package's device binary costs, counted where a device
// would pay it: guest instructions executed and calls from the guest into
// the host, per slice, for a lock (a relock: refresh, table reload) with 50
// and 1,000 reminders, and per row for each call SpringBoard makes into the
// library (height, cell, layout, icon) on an own row and on one of its own
// notification rows; beside the wall time of SpringBoard's own lock of as
// many notifications without the library, measured in the same run.
//
// Under each lock and each own row, the host calls grouped by callee: a
// message by its selector ("[sel]"), a C function by its name, with the
// count and the count per reminder (or per row).
//
// Counts are deterministic; times are of this machine under emulation and
// only set the counts in proportion. One process per measurement, as a
// module is loaded once per process.
//
//   bench_device_cost [path-to-dylib]
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <algorithm>
#include <functional>
#include <map>
#include <vector>
#include <string>

#include "Device.h"
#include "foundation/NSLog.h"
#include "foundation/NSString.h"
#include "guest_module.h"
#include "runtime/autorelease.h"
#include "runtime/message.h"
#include "scenarios.h"

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Runs `measure` in a child process and prints what it printed.
void inChild(const std::function<void()>& measure) {
  std::fflush(stdout);
  pid_t pid = fork();
  if (pid == 0) {
    try {
      measure();
    } catch (const std::exception& e) {
      std::printf("  failed: %s\n", e.what());
    }
    std::fflush(stdout);
    _exit(0);
  }
  int status = 0;
  waitpid(pid, &status, 0);
}

sb::DeviceOptions optionsFor(const qst_test::DeviceRoot& root, const std::string& module, const std::string& arch) {
  sb::DeviceOptions options;
  options.root = root.path();
  options.now = 818251200.0;
  options.modulePath = module;
  options.arch = arch;
  return options;
}

id rowPath(NSInteger row) {
  return msgSend<id, NSInteger, NSInteger>(objc_getClass("NSIndexPath"), "indexPathForRow:inSection:", row, 0);
}

using Callees = std::map<std::string, std::uint64_t>;

Callees callees() {
  auto counts = emu::hostCallees();
  return {counts.begin(), counts.end()};
}

// The host calls made since `before`, by callee, most first; each with its
// count and its count over `per` (reminders, rows).
void printCallees(const Callees& before, double per, const char* unit) {
  std::vector<std::pair<std::uint64_t, std::string>> groups;
  for (const auto& [callee, n] : callees()) {
    auto was = before.find(callee);
    const std::uint64_t made = n - (was == before.end() ? 0 : was->second);
    if (made) groups.emplace_back(made, callee);
  }
  std::sort(groups.begin(), groups.end(),
            [](const auto& a, const auto& b) { return a.first != b.first ? a.first > b.first : a.second < b.second; });
  std::printf("    %-58s %10s %10s\n", "host calls by callee", "calls", unit);
  for (const auto& [n, callee] : groups)
    std::printf("    %-58s %10llu %10.2f\n", callee.c_str(), static_cast<unsigned long long>(n),
                static_cast<double>(n) / per);
}

// Guest instructions and host calls of one piece of work, and its wall time.
template <class F>
void count(const char* what, F work) {
  emu::GuestCost before = emu::guestCost();
  Clock::time_point start = Clock::now();
  work();
  double ms = msSince(start);
  emu::GuestCost after = emu::guestCost();
  std::printf("  %-36s %14llu %10llu %10.3f\n", what,
              static_cast<unsigned long long>(after.instructions - before.instructions),
              static_cast<unsigned long long>(after.hostCalls - before.hostCalls), ms);
}

void lockCost(const std::string& dylib, const std::string& arch, int reminders) {
  AutoreleasePool pool;
  auto root = qst_bench::reminderRoot(reminders);
  emu::countGuestInstructions(true);
  emu::countHostCallees(true);
  sb::Device device(optionsFor(*root, dylib, arch));
  device.lock();
  std::string what = "lock, " + std::to_string(reminders) + " reminders";
  const Callees before = callees();
  count(what.c_str(), [&] { device.relock(); });
  if (reminders >= 1000) printCallees(before, reminders, "/reminder");
}

void rowCosts(const std::string& dylib, const std::string& arch, bool own) {
  AutoreleasePool outer;
  auto root = own ? qst_bench::reminderRoot(50) : qst_bench::notificationRoot(50);
  emu::countGuestInstructions(true);
  emu::countHostCallees(true);
  sb::Device device(optionsFor(*root, dylib, arch));
  device.lock();
  AutoreleasePool pool;
  id path = rowPath(3);
  const Callees before = callees();
  std::string kind = own ? "own row: " : "SpringBoard's row: ";
  count((kind + "height").c_str(), [&] {
    msgSend<CGFloat, id, id>(device.listView(), "tableView:heightForRowAtIndexPath:", device.tableView(), path);
  });
  count((kind + "cell").c_str(), [&] {
    id fresh = msgSend<id>(objc_getClass("SBLockScreenBulletinCell"), "alloc");
    objc_release(
        msgSend<id, NSInteger, id>(fresh, "initWithStyle:reuseIdentifier:", 0, standin::stringWithUTF8("Bulletin")));
  });
  id cell = msgSend<id, id>(device.tableView(), "cellForRowAtIndexPath:", path);
  count((kind + "layout").c_str(), [&] { msgSend<void>(cell, "layoutSubviews"); });
  id item = msgSend<id, id>(device.listController(), "listItemAtIndexPath:", path);
  count((kind + "icon").c_str(), [&] { msgSend<id>(item, "iconImage"); });
  if (own) printCallees(before, 1, "/row");
}

void springBoardOwnLock(int notifications) {
  AutoreleasePool pool;
  auto root = qst_bench::notificationRoot(notifications, false);
  sb::Device device(optionsFor(*root, "", "arm64"));
  device.lock();
  Clock::time_point start = Clock::now();
  device.relock();
  std::printf("  %-36s %14s %10s %10.3f\n", ("lock, " + std::to_string(notifications) + " notifications").c_str(), "-",
              "-", msSince(start));
}

}  // namespace

int main(int argc, char** argv) {
  const std::string dylib = argc > 1 ? argv[1] : QST_DEVICE_DYLIB;
  standin::setLogEcho(false);
  std::printf("%-38s %14s %10s %10s\n", "", "guest instr", "host calls", "wall ms");
  for (const char* arch : {"arm64", "armv7"}) {
    std::printf("%s slice of %s\n", arch, dylib.c_str());
    for (int n : {50, 1000}) inChild([&] { lockCost(dylib, arch, n); });
    inChild([&] { rowCosts(dylib, arch, true); });
    inChild([&] { rowCosts(dylib, arch, false); });
  }
  std::printf("SpringBoard without the library (native code)\n");
  for (int n : {50, 1000}) inChild([&] { springBoardOwnLock(n); });
  return 0;
}
