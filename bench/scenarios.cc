#include "scenarios.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "Device.h"
#include "dispatch/dispatch.h"
#include "foundation/NSArray.h"
#include "foundation/NSLog.h"
#include "foundation/NSString.h"
#include "base/regular_file.h"
#include "runtime/autorelease.h"
#include "runtime/message.h"
#include "runtime/nsobject.h"
#include "store_fetch.h"
#include "uikit/png_decode.h"

namespace qst_bench {
namespace {

constexpr double kNow = 818251200.0;  // 2026-12-06 12:00 UTC
constexpr const char* kSections[] = {"com.apple.MobileSMS", "com.apple.mobilemail", "com.apple.mobilephone"};

std::string readFile(const std::string& path) {
  std::string bytes;
  standin::readRegularFile(path, kMaxImageFileBytes, &bytes);
  return bytes;
}

id indexPath(NSInteger row) {
  return msgSend<id, NSInteger, NSInteger>(objc_getClass("NSIndexPath"), "indexPathForRow:inSection:", row, 0);
}

NSUInteger fetchReminders() { return fetchIncompleteReminders(qst_test::kHome); }

// A fork of this process measures one fetch and reports it; the copy's
// store has never fetched, so whatever it keeps between fetches is empty.
Sample coldFetch() {
  int up[2];
  if (pipe(up) != 0) std::abort();
  std::fflush(nullptr);
  pid_t child = fork();
  if (child == 0) {
    Sample sample = measure([] { fetchReminders(); });
    ssize_t written = write(up[1], &sample, sizeof sample);
    _exit(written == sizeof sample ? 0 : 1);
  }
  close(up[1]);
  Sample sample;
  ssize_t got = child > 0 ? read(up[0], &sample, sizeof sample) : -1;
  close(up[0]);
  int status;
  if (child > 0) waitpid(child, &status, 0);
  if (got != sizeof sample) std::abort();
  return sample;
}

// Height, cell layout and icon of one row, as a table reload asks them.
void drawRow(sb::Device& device, NSInteger row) {
  AutoreleasePool pool;
  id path = indexPath(row);
  msgSend<CGFloat, id, id>(device.listView(), "tableView:heightForRowAtIndexPath:", device.tableView(), path);
  id cell = msgSend<id, id>(device.tableView(), "cellForRowAtIndexPath:", path);
  msgSend<void>(cell, "layoutSubviews");
  id item = msgSend<id, id>(device.listController(), "listItemAtIndexPath:", path);
  msgSend<id>(item, "iconImage");
}

struct Booted {
  std::unique_ptr<qst_test::DeviceRoot> root;
  std::unique_ptr<sb::Device> device;
  ~Booted() {
    device.reset();  // before its root goes
  }
};

}  // namespace

std::unique_ptr<qst_test::DeviceRoot> reminderRoot(int n) {
  auto root = std::make_unique<qst_test::DeviceRoot>();
  root->list(qst_test::kHome, "Home", "#FF8000");
  root->selectCalendars({qst_test::kHome});
  root->settings({{"iconFile", std::string("DOT")}, {"reminderSorting", 2ll}});
  for (int i = 0; i < n; ++i) {
    qst_test::Todo todo{"SUMMARY:Reminder number " + std::to_string(i), "PRIORITY:" + std::to_string(i % 10)};
    if (i % 3 != 0) {
      char due[40];
      std::snprintf(due, sizeof due, "DUE:202612%02dT%02d0000Z", 7 + i % 20, i % 24);
      todo.push_back(due);
    }
    root->reminder(qst_test::kHome, todo);
  }
  return root;
}

std::unique_ptr<qst_test::DeviceRoot> styledReminderRoot(int n) {
  auto root = std::make_unique<qst_test::DeviceRoot>();
  root->list(qst_test::kHome, "Home", "#FF8000");
  root->selectCalendars({qst_test::kHome});
  root->settings({{"iconFile", std::string("DOT")},
                  {"textColor", 999ll},  // the list's colour
                  {"rightAlignedDate", true},
                  {"displayLocation", true}});
  for (int i = 0; i < n; ++i) {
    char due[40];
    std::snprintf(due, sizeof due, "DUE:202612%02dT%02d0000Z", 7 + i % 20, i % 24);
    root->reminder(qst_test::kHome,
                   {"SUMMARY:Reminder number " + std::to_string(i), due,
                    "BEGIN:VALARM\r\nACTION:DISPLAY\r\nTRIGGER;VALUE=DATE-TIME:19760401T005545Z\r\n"
                    "X-APPLE-STRUCTURED-LOCATION;VALUE=URI;X-TITLE=Office " +
                        std::to_string(i) + ":geo:51.5,-0.12\r\nX-APPLE-PROXIMITY:ARRIVE\r\nEND:VALARM"});
  }
  return root;
}

std::unique_ptr<qst_test::DeviceRoot> manyApplicationsRoot(int n) {
  auto root = std::make_unique<qst_test::DeviceRoot>();
  root->settings({{"enabled", true}});
  std::string icons[3];
  for (int k = 0; k < 3; ++k)
    icons[k] =
        readFile(std::string(QST_SAMPLE_ROOT) + "/var/mobile/Library/SpringBoard/Icons/" + kSections[k] + "@2x.png");
  std::string json = "[";
  for (int i = 0; i < n; ++i) {
    root->file("/var/mobile/Library/SpringBoard/Icons/com.example.n" + std::to_string(i) + "@2x.png", icons[i % 3]);
    if (i) json += ",\n";
    json +=
        "{\"section\": \"com.example.n" + std::to_string(i) + "\", \"title\": \"Message number " + std::to_string(i) +
        "\", \"message\": \"Are we still on for tonight?\", \"minutesBeforeNow\": " + std::to_string(1 + i % 600) + "}";
  }
  root->notifications(json + "]");
  return root;
}

std::unique_ptr<qst_test::DeviceRoot> notificationRoot(int n, bool libraryEnabled) {
  auto root = std::make_unique<qst_test::DeviceRoot>();
  root->settings({{"enabled", libraryEnabled}});
  for (const char* section : kSections) {
    std::string icon = "/var/mobile/Library/SpringBoard/Icons/" + std::string(section) + "@2x.png";
    root->file(icon, readFile(std::string(QST_SAMPLE_ROOT) + icon));
  }
  std::string json = "[";
  for (int i = 0; i < n; ++i) {
    if (i) json += ",\n";
    json +=
        "{\"section\": \"" + std::string(kSections[i % 3]) + "\", \"title\": \"Message number " + std::to_string(i) +
        "\", \"message\": \"Are we still on for tonight?\", \"minutesBeforeNow\": " + std::to_string(1 + i % 600) + "}";
  }
  root->notifications(json + "]");
  return root;
}

Serve bootSpringBoard(const Boot& boot) {
  standin::setLogEcho(false);
  auto booted = std::make_shared<Booted>();
  booted->root = boot.makeRoot();
  sb::DeviceOptions options;
  options.root = booted->root->path();
  options.now = kNow;
  if (!boot.withLibrary) options.modulePath.clear();
  booted->device = std::make_unique<sb::Device>(options);
  booted->device->lock();
  booted->device->relock();
  standin::clearLogCaptureForTesting();
  return [booted](int request) -> Sample {
    sb::Device& device = *booted->device;
    Sample sample;
    switch (request) {
      case kRelock: sample = measure([&] { device.relock(); }); break;
      case kWarmFetch: sample = measure([] { fetchReminders(); }); break;
      case kColdFetch: sample = coldFetch(); break;
      case kRow: sample = measure([&] { drawRow(device, 3); }); break;
      default: std::abort();
    }
    standin::clearLogCaptureForTesting();
    return sample;
  };
}

}  // namespace qst_bench
