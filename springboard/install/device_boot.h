// What boots from an installed package: the load-ins Substrate's loader maps
// into a process, and the settings panes PreferenceLoader adds to the
// Settings app. Both read the device's folders (the root with the run's
// private overlay above it), as on a device after dpkg has unpacked a
// package. The rules are those of the two programs' public sources:
// Substrate's DarwinLoader.cpp (MSInitialize) and PreferenceLoader's
// Tweak.xm (-[PrefsListController specifiers]); each file cites its steps.
#pragma once

#include <string>
#include <vector>

namespace sb {

inline constexpr const char* kSubstrateLoadInFolder = "/Library/MobileSubstrate/DynamicLibraries";
inline constexpr const char* kPreferenceLoaderFolder = "/Library/PreferenceLoader/Preferences";
inline constexpr const char* kPreferenceBundlesFolder = "/Library/PreferenceBundles";

// The process a load-in is offered to, as the loader sees it when it runs
// (in the initialiser of Substrate's inserted dylib, after dyld has loaded
// every framework the executable links).
struct TargetProcess {
  std::string bundleIdentifier;      // the main bundle's: "com.apple.springboard"
  std::string executable;            // argv[0]'s last component: "SpringBoard"
  std::vector<std::string> bundles;  // every loaded bundle's identifier, the main one included
};

// SpringBoard, and the Settings app (Preferences.app), with the bundles of
// the frameworks they link that the simulator provides. Other frameworks
// both link are loaded on a device too; a filter naming one of them does not
// select the process here.
TargetProcess springBoardProcess();
TargetProcess settingsAppProcess();

struct LoadIn {
  std::string devicePath;  // "/Library/MobileSubstrate/DynamicLibraries/X.dylib"
  std::string hostPath;    // where this host reads it
  bool selected = false;
  // No filter limits it: Substrate loads it into every process it runs in.
  bool everyProcess = false;
  std::string reason;  // why it is, or is not, loaded
};

// Every dylib of the load-in folder, in name order, each with its filter's
// answer for `process` on the running system (kCFCoreFoundationVersionNumber).
// `overlay` is the run's private folder ("" for none). The loader's error
// lines go to the system log.
std::vector<LoadIn> substrateLoadIns(const TargetProcess& process, const std::string& root, const std::string& overlay);

struct PaneEntry {
  std::string entryPath;  // the PreferenceLoader plist's device path
  std::string label, icon;
  std::string bundlePath;  // "/Library/PreferenceBundles/X.bundle"
  std::string hostFolder;  // where this host reads the bundle
  bool isController = false;
};

// Every PreferenceLoader entry below its folder (subfolders included) whose
// filters pass on the running system and that names a bundle which is
// there, in the order the Settings app lists them (by label, ignoring case).
// An entry whose bundle is missing is left out with PreferenceLoader's log
// line, as the Settings app shows no row for it.
std::vector<PaneEntry> preferenceLoaderEntries(const std::string& root, const std::string& overlay);

}  // namespace sb
