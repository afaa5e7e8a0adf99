// Substrate's loader (MobileLoader, as Cydia Substrate documents it): for
// each "X.dylib" in the load-in folder it reads "X.plist" beside it; the
// `Filter` dictionary's `Bundles` (bundle identifiers), `Executables`
// (executable names) and `Classes` (class names the process has) decide. A
// key matches when any of its names does; every key given must match, or
// any one of them when `Mode` is "Any". A dylib without a filter plist, or
// with an empty filter, is not loaded here: the loader would put it into
// every process, which a lock-screen add-on never means.
//
// PreferenceLoader lists each plist of its folder; its `entry` dictionary
// names the pane's `bundle` (a folder "<bundle>.bundle" in the preference
// bundles folder), its `label`, `icon`, and `isController` (the bundle's
// principal class is the page).
#include "install/device_boot.h"

#include <algorithm>
#include <filesystem>
#include <set>

#include "foundation/NSArray.h"
#include "foundation/NSDictionary.h"
#include "foundation/NSNumber.h"
#include "foundation/NSString.h"
#include "foundation/PropertyList.h"
#include "runtime/autorelease.h"
#include "runtime/message.h"

namespace sb {
namespace {

namespace fs = std::filesystem;

// The names in a device folder: those of the root and of the overlay above
// it.
std::vector<std::string> namesIn(const std::string& devicePath, const std::string& root, const std::string& overlay) {
  std::set<std::string> names;
  for (const std::string& base : {root, overlay}) {
    if (base.empty()) continue;
    std::error_code ec;
    for (fs::directory_iterator it(base + devicePath, ec), end; !ec && it != end; it.increment(ec))
      names.insert(it->path().filename().string());
  }
  return {names.begin(), names.end()};
}

// The host file for a device path: the overlay's copy first.
std::string hostPathOf(const std::string& devicePath, const std::string& root, const std::string& overlay) {
  std::error_code ec;
  if (!overlay.empty() && fs::exists(overlay + devicePath, ec)) return overlay + devicePath;
  return root + devicePath;
}

id valueFor(id dictionary, const char* key) {
  return standin::isDictionary(dictionary) ? msgSend<id, id>(dictionary, "objectForKey:", standin::str(key)) : nil;
}

std::string textFor(id dictionary, const char* key) {
  id value = valueFor(dictionary, key);
  return standin::isString(value) ? standin::utf8Of(value) : "";
}

std::vector<std::string> namesFor(id filter, const char* key) {
  std::vector<std::string> names;
  id list = valueFor(filter, key);
  if (standin::isArray(list))
    for (id item : standin::arrayItems(list))
      if (standin::isString(item)) names.push_back(standin::utf8Of(item));
  return names;
}

std::string joined(const std::vector<std::string>& names) {
  std::string all;
  for (const std::string& n : names) all += (all.empty() ? "" : ", ") + n;
  return all;
}

// The filter's answer, and why.
bool filterSelects(id filter, const TargetProcess& process, std::string* reason) {
  std::vector<std::string> bundles = namesFor(filter, "Bundles"), executables = namesFor(filter, "Executables"),
                           classes = namesFor(filter, "Classes");
  bool any = textFor(filter, "Mode") == "Any";
  int given = 0, matched = 0;
  std::string misses;
  auto weigh = [&](const std::vector<std::string>& names, const char* key, auto matches) {
    if (!valueFor(filter, key)) return;
    ++given;
    if (std::any_of(names.begin(), names.end(), matches)) ++matched;
    else misses += std::string(misses.empty() ? "" : "; ") + key + " names " + (names.empty() ? "nothing" : joined(names));
  };
  weigh(bundles, "Bundles", [&](const std::string& n) { return n == process.bundleIdentifier; });
  weigh(executables, "Executables", [&](const std::string& n) { return n == process.executable; });
  weigh(classes, "Classes", [](const std::string& n) { return objc_getClass(n.c_str()) != nil; });
  if (given == 0) {
    *reason = "its filter names no bundle, executable or class";
    return false;
  }
  bool selects = any ? matched > 0 : matched == given;
  *reason = selects ? "its filter selects " + process.executable
                    : "its filter does not select " + process.executable + " (" + misses + ")";
  return selects;
}

}  // namespace

std::vector<LoadIn> substrateLoadIns(const TargetProcess& process, const std::string& root, const std::string& overlay) {
  AutoreleasePool pool;
  std::vector<LoadIn> loadIns;
  for (const std::string& name : namesIn(kSubstrateLoadInFolder, root, overlay)) {
    if (name.size() <= 6 || name.substr(name.size() - 6) != ".dylib") continue;
    LoadIn loadIn;
    loadIn.devicePath = std::string(kSubstrateLoadInFolder) + "/" + name;
    loadIn.hostPath = hostPathOf(loadIn.devicePath, root, overlay);
    std::string plistPath = loadIn.devicePath.substr(0, loadIn.devicePath.size() - 6) + ".plist";
    id filter = valueFor(standin::propertyListFromHostFile(hostPathOf(plistPath, root, overlay)), "Filter");
    if (!standin::isDictionary(filter)) loadIn.reason = "no filter in " + plistPath;
    else loadIn.selected = filterSelects(filter, process, &loadIn.reason);
    loadIns.push_back(loadIn);
  }
  return loadIns;
}

std::vector<PaneEntry> preferenceLoaderEntries(const std::string& root, const std::string& overlay) {
  AutoreleasePool pool;
  std::vector<PaneEntry> entries;
  for (const std::string& name : namesIn(kPreferenceLoaderFolder, root, overlay)) {
    if (name.size() <= 6 || name.substr(name.size() - 6) != ".plist") continue;
    PaneEntry pane;
    pane.entryPath = std::string(kPreferenceLoaderFolder) + "/" + name;
    id entry = valueFor(standin::propertyListFromHostFile(hostPathOf(pane.entryPath, root, overlay)), "entry");
    std::string bundle = textFor(entry, "bundle");
    if (bundle.empty() || bundle.find('/') != std::string::npos || bundle == "." || bundle == "..") continue;
    pane.label = textFor(entry, "label");
    pane.icon = textFor(entry, "icon");
    pane.isController = msgSend<BOOL>(valueFor(entry, "isController"), "boolValue");
    pane.bundlePath = std::string(kPreferenceBundlesFolder) + "/" + bundle + ".bundle";
    pane.hostFolder = hostPathOf(pane.bundlePath, root, overlay);
    std::error_code ec;
    if (!fs::is_directory(pane.hostFolder, ec)) continue;
    entries.push_back(pane);
  }
  return entries;
}

}  // namespace sb
