// A SpringBoard booted with the library on the sample device root, which is only read.
#pragma once

#include <vector>

#include "foundation/NSLog.h"
#include "springboard_test.h"

namespace sbtest {

struct SampleLockTest : ::testing::Test {
  AutoreleasePool pool;
  std::unique_ptr<sb::Device> device;

  void SetUp() override { standin::setLogEcho(false); }

  sb::Device& boot(const std::string& version = "7.1", bool traceCalls = false,
                   std::optional<sb::Settings> settings = std::nullopt) {
    sb::DeviceOptions options = optionsFor(QST_SAMPLE_ROOT, version, true);
    options.traceCalls = traceCalls;
    options.settings = std::move(settings);
    device = std::make_unique<sb::Device>(options);
    return *device;
  }

  std::vector<sb::RowState> ownRows() {
    std::vector<sb::RowState> own;
    for (auto& row : device->snapshot().rows)
      if (row.bulletinID.rfind("QuillstoneBriarwhistle ", 0) == 0) own.push_back(row);
    return own;
  }
};

}  // namespace sbtest
