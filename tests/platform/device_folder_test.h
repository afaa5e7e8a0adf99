// A fixture for files the platform reads from one folder of the device.
#pragma once

#include <gtest/gtest.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "foundation/NSLog.h"
#include "foundation/NSString.h"
#include "foundation/device.h"
#include "base/stand_in_note.h"
#include "runtime/autorelease.h"
#include "runtime/message.h"
#include "device_root.h"

class DeviceFolderTest : public ::testing::Test {
 protected:
  // `folder` is a device path ending in "/".
  explicit DeviceFolderTest(std::string folder) : folder_(std::move(folder)) {}

  void SetUp() override {
    std::filesystem::create_directories(root_ + folder_);
    standin::setDeviceRoot(root_);
    standin::setLogEcho(false);
    standin::clearLogCaptureForTesting();
    StandInNotesClearForTesting();
    StandInNotesSetEcho(false);
  }
  void TearDown() override { standin::setDeviceRoot("/"); }

  std::string hostPath(const std::string& name) const { return root_ + folder_ + name; }
  // Writes a file into the folder; answers its device path.
  id writeFile(const std::string& name, const std::string& bytes) const {
    std::ofstream(hostPath(name), std::ios::binary) << bytes;
    return standin::stringWithUTF8(folder_ + name);
  }
  // A file of the folder as the platform's callers read it.
  static id dictionaryAt(id path) {
    return msgSend<id>(objc_getClass("NSDictionary"), "dictionaryWithContentsOfFile:", path);
  }
  static id arrayAt(id path) { return msgSend<id>(objc_getClass("NSArray"), "arrayWithContentsOfFile:", path); }
  id imageAt(const std::string& name) const {
    return msgSend<id, id>(objc_getClass("UIImage"),
                           "imageWithContentsOfFile:", standin::stringWithUTF8(folder_ + name));
  }
  // A refused file adds nothing to the system log, as on a device.
  void expectRefusal(const std::string& name, const std::string& reason) const {
    EXPECT_TRUE(standin::capturedLogLines().empty());
    const std::vector<std::string> notes = StandInNotes();
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_NE(notes[0].find(folder_ + name), std::string::npos) << notes[0];
    EXPECT_NE(notes[0].find(reason), std::string::npos) << notes[0];
    StandInNotesClearForTesting();
  }

  AutoreleasePool pool;
  qst_test::DeviceRoot root{qst_test::DeviceRoot::Start::Empty};
  const std::string& root_ = root.path();
  std::string folder_;
};
