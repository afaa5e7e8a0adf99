// PreferenceLoader's walk of its folder, as its public source (Tweak.xm,
// -[PrefsListController specifiers]) takes it:
//   - every path below /Library/PreferenceLoader/Preferences
//     (subpathsOfDirectoryAtPath:, so subfolders count) whose extension is
//     "plist" is read as a dictionary;
//   - its `filter` (or else `pl_filter`) must pass, then its `entry` must be
//     there and the entry's own `pl_filter` pass. A filter's
//     `CoreFoundationVersion` is [low] or [low, high], each bound read with
//     floatValue: kCFCoreFoundationVersionNumber must be at least low and
//     below high;
//   - an entry naming a `bundle` finds it at its `bundlePath`, else in
//     /Library/PreferenceBundles, else in /System/Library/PreferenceBundles,
//     else logs "Discarding specifier for missing isBundle bundle NAME." and
//     is left out;
//   - the rows are sorted by their names (sortUsingFunction: with
//     localizedCaseInsensitiveCompare:).
// An entry without a `bundle` is a page of plist alone, which this Settings
// app does not open; it is left out.
#include <unicode/ucol.h>

#include <algorithm>

#include "foundation/NSArray.h"
#include "foundation/NSDictionary.h"
#include "foundation/NSLog.h"
#include "foundation/NSNumber.h"
#include "foundation/NSString.h"
#include "foundation/PropertyList.h"
#include "foundation/device.h"
#include "install/device_boot.h"
#include "install/device_folders.h"
#include "runtime/autorelease.h"
#include "runtime/message.h"

namespace sb {
namespace {

constexpr const char* kSystemPreferenceBundlesFolder = "/System/Library/PreferenceBundles";

using standin::objectForKeyIn;
using standin::textForKeyIn;

// A bound as floatValue reads it: a number or a numeric text.
bool boundOf(id value, double* bound) {
  if (!standin::isNumber(value) && !standin::isString(value)) return false;
  *bound = msgSend<float>(value, "floatValue");
  return true;
}

// PreferenceLoader's checkFilter: no filter passes. The running version is
// a double and each bound a float, so a bound written as the exact version
// can lie a little above it.
bool filterPasses(id filter) {
  id version = objectForKeyIn(filter, "CoreFoundationVersion");
  if (!standin::isArray(version) || msgSend<NSUInteger>(version, "count") == 0) return true;
  const std::vector<id> bounds = standin::arrayItems(version);
  double low = 0, high = 0;
  if (!boundOf(bounds[0], &low)) return false;
  if (kCFCoreFoundationVersionNumber < low) return false;
  if (bounds.size() > 1) return boundOf(bounds[1], &high) && kCFCoreFoundationVersionNumber < high;
  return true;
}

std::string withoutExtension(const std::string& path) {
  const std::string name = path.substr(path.find_last_of('/') + 1);
  return name.substr(0, name.size() - 6);
}

bool isPlistPath(const std::string& path) {
  const std::string name = path.substr(path.find_last_of('/') + 1);
  return name.size() > 6 && name.compare(name.size() - 6, 6, ".plist") == 0;
}

// The bundle's device path, or "" when none of the three places has it.
std::string bundleFolderOf(const DeviceFolders& folders, id entry, const std::string& bundle) {
  for (const std::string& candidate :
       {textForKeyIn(entry, "bundlePath"), std::string(kPreferenceBundlesFolder) + "/" + bundle + ".bundle",
        std::string(kSystemPreferenceBundlesFolder) + "/" + bundle + ".bundle"})
    if (folders.exists(candidate)) return candidate;
  return "";
}

// localizedCaseInsensitiveCompare: as ICU's collation at secondary strength
// (letters and accents count, case does not), in the root locale: the
// simulated device has no user language of its own.
class CaseInsensitiveOrder {
 public:
  CaseInsensitiveOrder() {
    UErrorCode status = U_ZERO_ERROR;
    collator_ = ucol_open("", &status);
    if (U_FAILURE(status))
      collator_ = nullptr;
    else
      ucol_setStrength(collator_, UCOL_SECONDARY);
  }
  ~CaseInsensitiveOrder() {
    if (collator_) ucol_close(collator_);
  }
  CaseInsensitiveOrder(const CaseInsensitiveOrder&) = delete;
  CaseInsensitiveOrder& operator=(const CaseInsensitiveOrder&) = delete;

  bool operator()(const PaneEntry& a, const PaneEntry& b) const {
    if (!collator_) return a.label < b.label;
    UErrorCode status = U_ZERO_ERROR;
    return ucol_strcollUTF8(collator_, a.label.data(), static_cast<int32_t>(a.label.size()), b.label.data(),
                            static_cast<int32_t>(b.label.size()), &status) == UCOL_LESS;
  }

 private:
  UCollator* collator_ = nullptr;
};

}  // namespace

std::vector<PaneEntry> preferenceLoaderEntries(const std::string& root, const std::string& overlay) {
  AutoreleasePool pool;
  const DeviceFolders folders{root, overlay};
  std::vector<PaneEntry> entries;
  for (const std::string& item : folders.subpathsIn(kPreferenceLoaderFolder)) {
    if (!isPlistPath(item)) continue;
    PaneEntry pane;
    pane.entryPath = std::string(kPreferenceLoaderFolder) + "/" + item;
    id plist = standin::propertyListFromHostFile(folders.hostPathOf(pane.entryPath));
    if (!standin::isDictionary(plist)) continue;
    id filter = objectForKeyIn(plist, "filter");
    if (!filterPasses(filter ? filter : objectForKeyIn(plist, "pl_filter"))) continue;
    id entry = objectForKeyIn(plist, "entry");
    if (!standin::isDictionary(entry) || !filterPasses(objectForKeyIn(entry, "pl_filter"))) continue;
    const std::string bundle = textForKeyIn(entry, "bundle");
    if (bundle.empty()) continue;
    pane.bundlePath = bundleFolderOf(folders, entry, bundle);
    if (pane.bundlePath.empty()) {
      NSLog(standin::str("Discarding specifier for missing isBundle bundle %@."), objectForKeyIn(entry, "bundle"));
      continue;
    }
    pane.label = textForKeyIn(entry, "label");
    if (pane.label.empty()) pane.label = withoutExtension(item);
    pane.icon = textForKeyIn(entry, "icon");
    pane.isController = msgSend<BOOL>(objectForKeyIn(entry, "isController"), "boolValue");
    pane.hostFolder = folders.hostPathOf(pane.bundlePath);
    entries.push_back(pane);
  }
  const CaseInsensitiveOrder order;
  std::stable_sort(entries.begin(), entries.end(), [&](const PaneEntry& a, const PaneEntry& b) { return order(a, b); });
  return entries;
}

}  // namespace sb
