// The device: where its file system is rooted, and its system version.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace standin {

// The library and the frameworks use a device's absolute paths
// ("/var/mobile/Library/Preferences/..."); file reads resolve them under this
// root ("/" on a device; a sample or test folder here).
void setDeviceRoot(const std::string& root);
const std::string& deviceRoot();
std::string resolveDevicePath(std::string_view devicePath);
// A second layer over the root, for a host that must change a device file
// without touching the root: a file present under the overlay folder is read
// from there, everything else from the root. Empty removes the layer.
void setDeviceOverlay(const std::string& folder);
// A host folder shown, read-only, at one device folder: a file the root does
// not hold under `deviceFolder` is read from `hostFolder` (a build's bundle
// seen where a package would put it). Only below the overlay; "" removes it.
void setDeviceFolderView(const std::string& deviceFolder, const std::string& hostFolder);
// Where a program that writes a device file (the settings pane) writes it:
// under the overlay folder, its folders made as needed. Empty when there is
// no overlay, the path is not absolute or climbs out with "..", or its
// folders cannot be made: the root itself is never written.
std::string deviceWritablePath(std::string_view devicePath);

}  // namespace standin

// The system's Foundation and CoreFoundation versions, as the device's global
// variables. The host sets them from the simulated iOS version.
extern "C" double NSFoundationVersionNumber;
extern "C" double kCFCoreFoundationVersionNumber;

namespace standin {

// The published value for an iOS version ("7.0", "7.1", "8.0" ... "9.3");
// false for a version it does not know.
bool foundationVersionForSystemVersion(const std::string& version, double* result);
bool coreFoundationVersionForSystemVersion(const std::string& version, double* result);
// Every iOS version simulated, oldest first ("7.0" ... "9.3"), and the same
// as a user reads it in a message: "7.0, 7.1, 8.0 ... 8.4, 9.0 ... 9.3".
const std::vector<std::string>& knownSystemVersions();
std::string knownSystemVersionsText();

}  // namespace standin
