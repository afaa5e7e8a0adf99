// What boots from an installed package: the load-ins Substrate's loader maps
// into a process, and the settings panes PreferenceLoader adds to the
// Settings app. Both read the device's folders (the root with the run's
// private overlay above it), as on a device after dpkg has unpacked a
// package.
#pragma once

#include <string>
#include <vector>

namespace sb {

inline constexpr const char* kSubstrateLoadInFolder = "/Library/MobileSubstrate/DynamicLibraries";
inline constexpr const char* kPreferenceLoaderFolder = "/Library/PreferenceLoader/Preferences";
inline constexpr const char* kPreferenceBundlesFolder = "/Library/PreferenceBundles";

// The process a load-in is offered to.
struct TargetProcess {
  std::string bundleIdentifier;  // "com.apple.springboard"
  std::string executable;        // "SpringBoard"
};

struct LoadIn {
  std::string devicePath;  // "/Library/MobileSubstrate/DynamicLibraries/X.dylib"
  std::string hostPath;    // where this host reads it
  bool selected = false;
  std::string reason;      // why it is, or is not, loaded
};

// Every dylib of the load-in folder, in name order, each with its filter's
// answer for `process`. `overlay` is the run's private folder ("" for none).
std::vector<LoadIn> substrateLoadIns(const TargetProcess& process, const std::string& root, const std::string& overlay);

struct PaneEntry {
  std::string entryPath;   // the PreferenceLoader plist's device path
  std::string label, icon;
  std::string bundlePath;  // "/Library/PreferenceBundles/X.bundle"
  std::string hostFolder;  // where this host reads the bundle
  bool isController = false;
};

// Every PreferenceLoader entry that names a bundle which is there, in name
// order; an entry that does not is left out, as the Settings app shows no
// row for it.
std::vector<PaneEntry> preferenceLoaderEntries(const std::string& root, const std::string& overlay);

}  // namespace sb
