// Settings written raw while the phone is locked.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "foundation/device.h"
#include "base/regular_file.h"
#include "sample_lock.h"
#include "temp_folder.h"
#include "qst/settings_table.h"
#include "raw_settings_writer.h"

namespace sbtest {
namespace {

using sb::SettingValue;

using SettingsChangeTest = SampleLockTest;

TEST_F(SettingsChangeTest, ATextSizeSetWhileLockedChangesTheRowsAtTheNextLockOnly) {
  boot().lock();
  auto before = ownRows();
  ASSERT_FALSE(before.empty());
  device->setSetting("textSize", 20LL);
  // The list reloads for an arriving message, but the library has not read the file again.
  device->notify("com.apple.MobileSMS", "Running late");
  auto reloaded = ownRows();
  ASSERT_EQ(reloaded.size(), before.size());
  for (size_t i = 0; i < before.size(); ++i) EXPECT_EQ(reloaded[i].height, before[i].height);
  device->relock();
  auto after = ownRows();
  ASSERT_EQ(after.size(), before.size());
  for (size_t i = 0; i < before.size(); ++i) EXPECT_GT(after[i].height, before[i].height) << i;
}

TEST_F(SettingsChangeTest, TakingTheTextSizeKeyOutBringsItsDefaultBack) {
  boot().lock();
  auto before = ownRows();
  device->unsetSetting("textSize");
  device->relock();
  auto unset = ownRows();
  for (size_t i = 0; i < before.size(); ++i) EXPECT_LT(unset[i].height, before[i].height) << "default 14 < 15";
}

TEST_F(SettingsChangeTest, AnotherPluginsOverlayAsksForItsUnderlayAndLeavesTheRowsAlone) {
  boot().lock();
  size_t own = ownRows().size();
  device->overlay("WeatherLockScreen");
  device->wait(10);
  EXPECT_EQ(ownRows().size(), own);
  auto requesters = device->snapshot().underlay.requesters;
  EXPECT_NE(std::find(requesters.begin(), requesters.end(), "OverlayContextWeatherLockScreen"), requesters.end());
}

// The now-playing plug-in's overlay takes the other one's place, and the own rows go.
TEST_F(SettingsChangeTest, TheNowPlayingOverlayTakesAnotherPluginsPlace) {
  boot().lock();
  device->overlay("WeatherLockScreen");
  device->wait(10);
  device->nowPlaying();
  device->wait(5);
  EXPECT_TRUE(ownRows().empty());
  auto requesters = device->snapshot().underlay.requesters;
  EXPECT_EQ(std::find(requesters.begin(), requesters.end(), "OverlayContextWeatherLockScreen"), requesters.end());
}

TEST_F(SettingsChangeTest, OpeningARowTellsTheActionItLaunches) {
  boot().lock();
  EXPECT_EQ(device->open(0), std::optional<std::string>("url x-apple-reminder://"));
  EXPECT_EQ(device->open(500), std::nullopt);
  device->setSetting("swipeAction", 0LL);
  device->relock();
  EXPECT_EQ(device->open(0), std::optional<std::string>("none"));
}

// On the device itself every folder is in its root: nothing is written.
TEST(RawSettingsWriterTest, NeverWritesIntoTheDevicesOwnRoot) {
  standin::setDeviceRoot("/");
  sb::PrivateFolder privateFolder;
  sb::RawSettingsWriter writer(privateFolder);
  EXPECT_THROW(writer.set("textSize", 20LL), sb::SettingError);
  EXPECT_TRUE(privateFolder.path().empty());
}

TEST(PrivateFolderTest, AnInterruptedRunLeavesNoPrivateFolder) {
  qst_test::TempFolder rootFolder("raw-settings-root");
  const std::string& root = rootFolder.path();
  int channel[2];
  ASSERT_EQ(pipe(channel), 0);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    standin::setDeviceRoot(root);
    sb::PrivateFolder privateFolder;
    sb::RawSettingsWriter writer(privateFolder);
    writer.set("enabled", false);
    std::string folder = privateFolder.path();
    if (write(channel[1], folder.c_str(), folder.size()) != static_cast<ssize_t>(folder.size())) _exit(1);
    close(channel[1]);
    raise(SIGTERM);
    _exit(1);
  }
  close(channel[1]);
  char buffer[1024];
  ssize_t n = read(channel[0], buffer, sizeof buffer);
  close(channel[0]);
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_GT(n, 0);
  std::string folder(buffer, static_cast<size_t>(n));
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
  EXPECT_FALSE(std::filesystem::exists(folder)) << folder;
}

}  // namespace
}  // namespace sbtest
