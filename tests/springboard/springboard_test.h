// A SpringBoard booted on a throw-away device root (tests/support) for one test.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "Device.h"
#include "device_root.h"
#include "runtime/autorelease.h"
#include "time_text.h"

namespace sbtest {

inline constexpr const char* kNow = "2026-03-14T09:30:00Z";

// An empty root: these tests write only SpringBoard's own files.
struct DeviceRoot : qst_test::DeviceRoot {
  DeviceRoot() : qst_test::DeviceRoot(Start::Empty) {}
};

// A SpringBoard on the root at `path`, at kNow; without the library unless asked.
inline sb::DeviceOptions optionsFor(const std::string& path, const std::string& version = "7.1", bool library = false) {
  sb::DeviceOptions options;
  options.root = path;
  options.systemVersion = version;
  options.now = *sb::parseISO8601(kNow, "UTC");
  if (!library) options.modulePath = "";
  return options;
}

// One test's SpringBoard: a device root, a pool, and the Device.
struct SpringBoardTest : ::testing::Test {
  DeviceRoot root;
  AutoreleasePool pool;
  std::unique_ptr<sb::Device> device;

  sb::Device& boot(const std::string& version = "7.1") {
    device = std::make_unique<sb::Device>(optionsFor(root.path(), version));
    return *device;
  }
  std::vector<std::string> rowIDs() {
    std::vector<std::string> ids;
    for (const auto& row : device->snapshot().rows) ids.push_back(row.bulletinID);
    return ids;
  }
};

}  // namespace sbtest
