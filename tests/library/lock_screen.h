// The scene of every library test: a device root, a simulated SpringBoard with the real module, a fixed "now".
#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "Device.h"
#include "classes/SBLockScreenNotificationListController.h"
#include "device_root.h"
#include "foundation/NSArray.h"
#include "foundation/NSIndexPath.h"
#include "foundation/NSLog.h"
#include "foundation/NSString.h"
#include "runtime/autorelease.h"
#include "runtime/message.h"
#include "runtime/nsobject.h"
#include "runtime/strong.h"
#include "uikit/UIColor.h"

namespace qst_test {

// 2026-12-06 12:00:00 UTC, in seconds since the reference date.
inline constexpr double kNow = 818251200.0;
inline constexpr double kDay = 86400.0;

// A location alarm as Reminders writes it; `proximity` "ARRIVE", "DEPART" or none.
inline std::string locationAlarm(const std::string& place, const std::string& geo, const std::string& proximity = "") {
  return "BEGIN:VALARM\r\nACTION:DISPLAY\r\nTRIGGER;VALUE=DATE-TIME:19760401T005545Z\r\n"
         "X-APPLE-STRUCTURED-LOCATION;VALUE=URI;X-TITLE=" +
         place + ":geo:" + geo + "\r\n" + (proximity.empty() ? "" : "X-APPLE-PROXIMITY:" + proximity + "\r\n") +
         "END:VALARM";
}
inline const std::string kAtOffice = locationAlarm("Office", "51.5,-0.12", "ARRIVE");
inline const char* const kMessage = R"([{"section": "com.apple.MobileSMS", "title": "Anna", "minutesBeforeNow": 3}])";

inline std::array<CGFloat, 4> rgba(id color) {
  std::array<CGFloat, 4> c{};
  standin::colorGetRGBA(color, c.data());
  return c;
}

// A symbol of the loaded Linux module, as another tweak finds it.
inline void* moduleSymbol(const char* symbol) {
  void* handle = dlopen(sb::DeviceOptions::defaultModulePath().c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (!handle) throw std::runtime_error("module not loaded");
  void* address = dlsym(handle, symbol);
  dlclose(handle);
  if (!address) throw std::runtime_error(std::string("no symbol ") + symbol);
  return address;
}

class LockScreenTest : public ::testing::Test {
 protected:
  void SetUp() override { standin::setLogEcho(false); }

  sb::Device& boot(const std::string& systemVersion = "7.1", bool springBoardProcess = true) {
    sb::DeviceOptions options;
    options.root = root.path();
    options.systemVersion = systemVersion;
    options.now = kNow;
    options.timeZone = "Europe/London";
    options.springBoardProcess = springBoardProcess;
    device = std::make_unique<sb::Device>(options);
    return *device;
  }

  // boot() and the first lock.
  sb::Device& locked(const std::string& systemVersion = "7.1") {
    boot(systemVersion).lock();
    return *device;
  }
  // The first lock, or a relock once booted: for loops over settings.
  void lockOrRelock() { device ? device->relock() : boot().lock(); }

  static int logged(const std::string& text) {
    int n = 0;
    for (const auto& line : standin::capturedLogLines()) n += line.find(text) != std::string::npos;
    return n;
  }

  // Common arrangement: one list selected, with the given reminders.
  void reminders(const std::vector<Todo>& todos, const std::string& color = "#FF0000") {
    root.list(kHome, "Home", color);
    root.selectCalendars({kHome});
    for (const auto& t : todos) root.reminder(kHome, t);
  }

  std::vector<id> published() {
    std::vector<id> own;
    if (!device || !device->listController()) return own;  // not locked yet
    for (id item : standin::arrayItems(sb::asListController(device->listController())->_listItems)) {
      id bulletin = msgSend<id>(item, "activeBulletin");
      if (text(bulletin, "bulletinID").rfind("QuillstoneBriarwhistle ", 0) == 0) own.push_back(bulletin);
    }
    std::stable_sort(own.begin(), own.end(), [](id a, id b) { return indexOf(a) < indexOf(b); });
    return own;
  }
  // How many reminders the last refresh found, from its log line; -1 when no refresh has logged one.
  static long remindersFound() {
    const std::string mark = "QST: got ";
    auto lines = standin::capturedLogLines();
    for (auto line = lines.rbegin(); line != lines.rend(); ++line)
      if (auto at = line->find(mark); at != std::string::npos) return std::atol(line->c_str() + at + mark.size());
    return -1;
  }
  static std::string text(id bulletin, const char* getter) { return standin::utf8Of(msgSend<id>(bulletin, getter)); }
  // A date field of a bulletin in seconds since the reference date; -1 when unset.
  static double when(id bulletin, const char* getter) {
    id date = msgSend<id>(bulletin, getter);
    return date ? double(msgSend<RealDouble>(date, "timeIntervalSinceReferenceDate")) : -1.0;
  }
  // The reminder index written in an own bulletin identifier.
  static int indexOf(id bulletin) {
    std::string id = text(bulletin, "bulletinID");
    return std::atoi(id.c_str() + std::string("QuillstoneBriarwhistle ").size());
  }
  std::vector<std::string> publishedTitles() {
    std::vector<std::string> titles;
    for (id b : published()) titles.push_back(text(b, "title"));
    return titles;
  }

  // Rows whose bulletin identifier begins with `prefix`, in list order.
  std::vector<sb::RowState> rows(const std::string& prefix) {
    std::vector<sb::RowState> found;
    for (auto& row : device->snapshot().rows)
      if (row.bulletinID.rfind(prefix, 0) == 0) found.push_back(row);
    return found;
  }
  size_t ownRows() { return rows("QuillstoneBriarwhistle").size(); }
  sb::RowState own() { return rows("QuillstoneBriarwhistle").at(0); }
  bool underlayShown() { return device->snapshot().underlay.shown; }
  // The list position of the first row whose identifier begins with `prefix`.
  NSInteger rowOf(const std::string& prefix) {
    auto all = device->snapshot().rows;
    for (size_t i = 0; i < all.size(); ++i)
      if (all[i].bulletinID.rfind(prefix, 0) == 0) return static_cast<NSInteger>(i);
    return -1;
  }
  static id indexPath(NSInteger row) { return standin::indexPathForRow(row, 0); }
  size_t allRows() { return device->snapshot().rows.size(); }
  // A bulletin handed to SpringBoard by hand, not by a refresh.
  static id bulletin(const std::string& bulletinID) {
    id b = objc_autorelease(objc_new(objc_getClass("BBBulletin")));
    msgSend<void, id>(b, "setBulletinID:", standin::stringWithUTF8(bulletinID));
    return b;
  }

  AutoreleasePool pool;
  DeviceRoot root;
  std::unique_ptr<sb::Device> device;
};

}  // namespace qst_test
