// The driver of the simulated SpringBoard, used by the tests and by
// springboard-sim: it boots a SpringBoard process state, maps the library as
// the loader would, and lives through what a user and the system do to the
// lock screen.
//
// One Device per process: the runtime's classes, the loaded module and the
// library's process-wide state live as long as the process, as on a device.
#pragma once

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "Snapshot.h"
#include "install/device_boot.h"
#include "private_folder.h"
#include "raw_settings_writer.h"
#include "settings_app.h"
#include "foundation/NSDate.h"
#include "runtime/strong.h"

namespace sb {

class DeviceError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct DeviceOptions {
  std::string root;                   // host folder standing for the device's "/"
  std::string systemVersion = "7.1";  // "7.0", "7.1", "8.0" ... "9.3"
  NSTimeInterval now = 0;             // the fixed clock's start, seconds since 2001-01-01 UTC
  std::string timeZone = "Europe/London";
  // The user's calendar (Settings, General, Language & Region):
  // "gregorian", "buddhist" or "japanese".
  std::string calendar = "gregorian";
  // False boots a process that is not SpringBoard (no class "SpringBoard"),
  // as a test host into which the library must load inertly.
  bool springBoardProcess = true;
  // The module mapped at boot; empty maps none. A Mach-O dylib (thin or
  // fat) runs under CPU emulation, its `arch` slice ("arm64" or "armv7").
  std::string modulePath = defaultModulePath();
  std::string arch = defaultArch();
  // Records every call into what the module installs and every message the
  // library sends to SpringBoard's objects (see trace/trace.h). Off, no
  // method is wrapped.
  bool traceCalls = false;
  // The settings file holds exactly these for the run, in place of the
  // root's own; the root is not touched (see private_folder.h).
  std::optional<Settings> settings;
  // A Debian package (.deb) installed for the run: unpacked into the private
  // folder above the root, then booted from as a device boots: the load-ins
  // Substrate's loader selects for SpringBoard are mapped in place of
  // `modulePath`, and the Settings app opens the pane of PreferenceLoader's
  // entry (install/).
  std::string install;

  // $QST_MODULE when set ("none": no module), else the library built with
  // this tree.
  static std::string defaultModulePath();
  // $QST_ARCH when set, else "arm64".
  static std::string defaultArch();
};

// Where SpringBoard keeps the other applications' notifications that it
// delivers at every lock (see springboard/README.md).
inline constexpr const char* kSystemNotificationsPath = "/var/mobile/Library/SpringBoard/notifications.json";

class Device {
 public:
  // Boots; raises DeviceError for an unknown version or zone, a missing root,
  // an unreadable notifications file or a module that cannot be mapped.
  explicit Device(const DeviceOptions& options);
  ~Device();
  Device(const Device&) = delete;
  Device& operator=(const Device&) = delete;

  // A fresh lock screen: a new SBLockScreenView and list controller, the
  // system notifications delivered, then the controller loads its view.
  void lock();
  // The device unlocks and locks again: the list controller lets its view go
  // and loads it again (a new refresh). From iOS 9 on the list keeps its
  // items; earlier systems empty it at the unlock and the bulletin board
  // delivers what it holds again at the lock.
  void relock();
  void nowPlaying();     // music starts: the now-playing overlay comes up
  void nowPlayingEnd();  // and goes away
  // A lock-screen plug-in's overlay comes up: its context is made with the
  // plug-in's name and asks for the underlay as "OverlayContext" + name.
  // It replaces the overlay that was up.
  void overlay(const std::string& pluginName);
  // Runs the main run loop on the fixed clock for `seconds` (not negative).
  void wait(double seconds);
  // The user's finger stays on the lock screen's list for `seconds`, dragging
  // it: the main run loop runs that long in UIKit's tracking mode, where
  // timers of the default mode wait.
  void touch(double seconds);
  void notify(const std::string& bundleID, const std::string& title);
  void companion(const std::string& title);  // the companion calendar's bulletin ("Corvane…")
  void clear();                              // the notification centre clears
  bool canEdit(NSInteger row);               // false for a row that is not there
  void screenOff();
  // The user opens a row: the default action it launches ("url …",
  // "bundle …") or "none"; nothing for a row that is not there. The
  // simulated device stays locked.
  std::optional<std::string> open(NSInteger row);
  // Another program writes the settings file raw while the phone is locked
  // (raw_settings_writer.h); the library reads it at the next lock. Raise
  // DeviceError when the private folder cannot be written.
  void setSetting(const std::string& key, const SettingValue& value);
  void unsetSetting(const std::string& key);
  // The Settings app with the library's pane, loaded at the first call (the
  // bundle named by SettingsApp::defaultBundleFolder()); what the pane
  // writes goes to the private folder of setSetting. Raises DeviceError
  // when the pane cannot be loaded.
  SettingsApp& settingsApp();
  // The Settings app once a step has opened it; null before.
  const SettingsApp* openedSettingsApp() const { return settingsApp_.get(); }

  // The lock screen as a user sees it: every row (each row out of view is
  // scrolled into view to be read, as a user would), or with `inViewOnly`
  // the rows' bulletins and only the cells in view, as a picture needs.
  Snapshot snapshot(bool inViewOnly = false);

  // The processor whose code the module runs: "host" for the Linux module,
  // "arm64" or "armv7" for a device binary; empty when none is mapped.
  const std::string& moduleArch() const { return moduleArch_; }
  // What booted from DeviceOptions::install; null without one.
  struct Installed {
    std::string package;           // its Package name
    std::vector<LoadIn> loadIns;   // every load-in, loaded or not
    std::vector<PaneEntry> panes;  // PreferenceLoader's entries
  };
  const Installed* installed() const { return installed_ ? &*installed_ : nullptr; }

  // For tests that look deeper.
  id lockScreenView() const { return lockScreenView_; }
  id listController() const { return listController_; }
  id listView() const;
  id tableView() const;
  // Delivers a bulletin through the controller's add operation of the
  // running version (a bulletin the board sends to the list).
  void deliver(id bulletin);

 private:
  void requireLocked(const char* what) const;
  void deliverSystemNotifications();
  void handOver(id bulletin);

  DeviceOptions options_;
  StrongId lockScreenView_, listController_, overlayContext_;
  StrongId arrived_;  // bulletins that arrived since the lock, in order
  unsigned long arrivals_ = 0;
  std::string overlayPlugin_;  // the plug-in whose overlay is up
  std::string moduleArch_;
  PrivateFolder privateFolder_;
  RawSettingsWriter rawSettings_{privateFolder_};
  std::unique_ptr<SettingsApp> settingsApp_;
  std::optional<Installed> installed_;
};

}  // namespace sb
