// The notifications file is whatever a user put at its path: only a regular
// file of bounded size is read; anything else is reported with the reason,
// at once, as a bad input (the simulator's exit status 2), never a hang.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "Device.h"
#include "springboard_test.h"
#include "system_notifications.h"

namespace sbtest {
namespace {

std::string messageFor(const std::string& hostPath) {
  try {
    sb::readNotificationFile(hostPath, "UTC");
  } catch (const sb::NotificationFileError& e) {
    return e.what();
  }
  return "read";
}

TEST(NotificationFile, OnlyARegularFileOfBoundedSizeIsRead) {
  DeviceRoot root;
  const std::string path = root.path() + sb::kSystemNotificationsPath;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());

  std::filesystem::create_directory(path);
  EXPECT_EQ(messageFor(path), path + ": is not a regular file");
  std::filesystem::remove(path);

  ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);  // nobody writes: a read would wait for ever
  EXPECT_EQ(messageFor(path), path + ": is not a regular file");
  std::filesystem::remove(path);

  const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  ASSERT_LT(path.size(), sizeof address.sun_path);
  std::strcpy(address.sun_path, path.c_str());
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  EXPECT_EQ(messageFor(path), path + ": is not a regular file");
  close(listener);
  std::filesystem::remove(path);

  std::filesystem::create_symlink("/dev/zero", path);  // a device file never ends
  EXPECT_EQ(messageFor(path), path + ": is not a regular file");
  std::filesystem::remove(path);

  root.notifications("[]");
  std::filesystem::resize_file(path, sb::kMaxNotificationFileBytes + 1);
  EXPECT_NE(messageFor(path).find("is larger than"), std::string::npos);
}

TEST(NotificationFile, AFolderInItsPlaceIsABadInputAtLock) {
  DeviceRoot root;
  std::filesystem::create_directories(root.path() + sb::kSystemNotificationsPath);
  AutoreleasePool pool;
  sb::Device device(optionsFor(root));
  EXPECT_THROW(device.lock(), sb::DeviceError);
}

}  // namespace
}  // namespace sbtest
