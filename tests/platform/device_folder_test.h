// A fixture for files the platform reads from one folder of the device: a
// fresh temporary device root holding that folder, the system log captured
// rather than echoed, and the root handed back when the test ends.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "foundation/NSLog.h"
#include "foundation/NSString.h"
#include "foundation/device.h"
#include "runtime/autorelease.h"

class DeviceFolderTest : public ::testing::Test {
 protected:
  // `folder` is a device path ending in "/".
  explicit DeviceFolderTest(std::string folder) : folder_(std::move(folder)) {}

  void SetUp() override {
    char pattern[] = "/tmp/device-folder-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root_ = pattern;
    std::filesystem::create_directories(root_ + folder_);
    NSSetDeviceRoot(root_);
    NSLogSetEcho(false);
    NSLogClearCapture();
  }
  void TearDown() override {
    NSSetDeviceRoot("/");
    std::filesystem::remove_all(root_);
  }

  std::string hostPath(const std::string& name) const { return root_ + folder_ + name; }
  // Writes a file into the folder; answers its device path.
  id writeFile(const std::string& name, const std::string& bytes) const {
    std::ofstream(hostPath(name), std::ios::binary) << bytes;
    return NSStringWithUTF8(folder_ + name);
  }
  // The one log line of a refused file, which names its device path and the reason.
  void expectRefusal(const std::string& name, const std::string& reason) const {
    const std::vector<std::string> lines = NSLogCapturedLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find(folder_ + name), std::string::npos) << lines[0];
    EXPECT_NE(lines[0].find(reason), std::string::npos) << lines[0];
    NSLogClearCapture();
  }

  AutoreleasePool pool;
  std::string root_;
  std::string folder_;
};
