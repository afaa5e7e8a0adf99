// Substrate's loader, step by step as its public source (DarwinLoader.cpp,
// MSInitialize) takes them for each "X.dylib" of the load-in folder:
//   - "X.plist" beside it is read. No such file, or one without a `Filter`
//     dictionary: the dylib is loaded, into every process. A file that is
//     not a property list is skipped with "MS:Error: Corrupt PropertyList".
//   - `Flags`: bit 1 (load only in safe mode) keeps it out, as this device
//     never runs in safe mode; bit 0 (load in safe mode too) changes
//     nothing here. A value that is not a number is refused.
//   - `CoreFoundationVersion`: [low] or [low, high]; the running system's
//     kCFCoreFoundationVersionNumber must be at least low and below high.
//     More than two numbers are refused.
//   - `Executables`, `Bundles` (any bundle loaded in the process,
//     CFBundleGetBundleWithIdentifier), `Classes` (NSClassFromString): each
//     key given must name a match, or with `Mode` "Any" one key must.
//     Without any of the three the dylib loads, unless `Mode` is "Any".
#include <cstdio>
#include <filesystem>
#include <system_error>

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

namespace fs = std::filesystem;

// Substrate's own flags (DarwinLoader.cpp).
constexpr int kMSFlagNotNoSafe = 1 << 1;

using standin::objectForKeyIn;

std::vector<std::string> namesFor(id list) {
  std::vector<std::string> names;
  if (standin::isArray(list))
    for (id item : standin::arrayItems(list))
      if (standin::isString(item)) names.push_back(standin::utf8Of(item));
  return names;
}

std::string joined(const std::vector<std::string>& names) {
  std::string all;
  for (const std::string& n : names) all += (all.empty() ? "" : ", ") + n;
  return all.empty() ? "nothing" : all;
}

std::string description(id value) { return standin::utf8Of(msgSend<id>(value, "description")); }

struct Answer {
  bool load = false;
  bool everyProcess = false;  // nothing in the filter names a process
  std::string reason;
};

// Whether `CoreFoundationVersion` lets the dylib through; why not, if not.
bool versionAllows(id version, std::string* reason) {
  if (!standin::isArray(version)) return true;
  const NSUInteger count = msgSend<NSUInteger>(version, "count");
  if (count == 0) return true;
  if (count > 2) {
    standin::systemLog("MS:Error: Invalid CoreFoundationVersion: " + description(version));
    *reason = "its filter's CoreFoundationVersion holds more than two numbers";
    return false;
  }
  const std::vector<id> bounds = standin::arrayItems(version);
  for (id bound : bounds)
    if (!standin::isNumber(bound)) {
      *reason = "its filter's CoreFoundationVersion holds " + description(bound) + ", not a number";
      return false;
    }
  const double low = msgSend<RealDouble>(bounds[0], "doubleValue");
  const double high = count == 2 ? static_cast<double>(msgSend<RealDouble>(bounds[1], "doubleValue")) : 0.0;
  const double running = kCFCoreFoundationVersionNumber;
  if (low <= running && (count == 1 || running < high)) return true;
  char text[128];
  if (count == 1)
    std::snprintf(text, sizeof text, "from %g on leaves out this system's %.2f", low, running);
  else
    std::snprintf(text, sizeof text, "from %g to below %g leaves out this system's %.2f", low, high, running);
  *reason = std::string("its filter's CoreFoundationVersion ") + text;
  return false;
}

Answer filterAnswer(id filter, const TargetProcess& process) {
  Answer a;
  if (id flags = objectForKeyIn(filter, "Flags")) {
    if (!standin::isNumber(flags)) {
      standin::systemLog("MS:Error: Unable to Read Flags: " + description(flags));
      a.reason = "its filter's Flags is not a number";
      return a;
    }
    if (msgSend<int>(flags, "intValue") & kMSFlagNotNoSafe) {
      a.reason = "its filter's Flags load it only in safe mode";
      return a;
    }
  }
  if (!versionAllows(objectForKeyIn(filter, "CoreFoundationVersion"), &a.reason)) return a;

  id mode = objectForKeyIn(filter, "Mode");
  const bool any = standin::isString(mode) && standin::utf8Of(mode) == "Any";
  int given = 0, matched = 0;
  std::string misses;
  auto weigh = [&](const char* key, auto matches) {
    id list = objectForKeyIn(filter, key);
    if (!list) return;
    ++given;
    const std::vector<std::string> names = namesFor(list);
    for (const std::string& name : names)
      if (matches(name)) {
        ++matched;
        return;
      }
    misses += std::string(misses.empty() ? "" : "; ") + key + " names " + joined(names);
  };
  weigh("Executables", [&](const std::string& n) { return n == process.executable; });
  weigh("Bundles", [&](const std::string& n) {
    for (const std::string& loaded : process.bundles)
      if (loaded == n) return true;
    return false;
  });
  weigh("Classes", [](const std::string& n) { return objc_getClass(n.c_str()) != nil; });
  if (given == 0) {
    a.load = a.everyProcess = !any;
    a.reason = any ? "its filter's Mode is Any but it names no executable, bundle or class"
                   : "its filter names no executable, bundle or class: Substrate loads it into every process";
    return a;
  }
  a.load = any ? matched > 0 : matched == given;
  a.reason = a.load ? "its filter selects " + process.executable
                    : "its filter does not select " + process.executable + " (" + misses + ")";
  return a;
}

}  // namespace

TargetProcess springBoardProcess() {
  return {"com.apple.springboard",
          "SpringBoard",
          {"com.apple.springboard", "com.apple.CoreFoundation", "com.apple.Foundation", "com.apple.UIKit"}};
}

TargetProcess settingsAppProcess() {
  return {"com.apple.Preferences",
          "Preferences",
          {"com.apple.Preferences", "com.apple.CoreFoundation", "com.apple.Foundation", "com.apple.UIKit"}};
}

std::vector<LoadIn> substrateLoadIns(const TargetProcess& process, const std::string& root,
                                     const std::string& overlay) {
  AutoreleasePool pool;
  const DeviceFolders folders{root, overlay};
  std::vector<LoadIn> loadIns;
  for (const std::string& name : folders.namesIn(kSubstrateLoadInFolder)) {
    if (name.size() <= 6 || name.substr(name.size() - 6) != ".dylib") continue;
    LoadIn loadIn;
    loadIn.devicePath = std::string(kSubstrateLoadInFolder) + "/" + name;
    loadIn.hostPath = folders.hostPathOf(loadIn.devicePath);
    const std::string plistPath = loadIn.devicePath.substr(0, loadIn.devicePath.size() - 6) + ".plist";
    const std::string plistHost = folders.hostPathOf(plistPath);
    std::error_code ec;
    id meta = fs::is_regular_file(plistHost, ec) ? standin::propertyListFromHostFile(plistHost) : nil;
    if (!meta && fs::is_regular_file(plistHost, ec)) {
      standin::systemLog("MS:Error: Corrupt PropertyList: file://" + loadIn.devicePath);
      loadIn.reason = plistPath + " is not a property list";
    } else if (meta && !standin::isDictionary(meta)) {
      // The loader reads it as a dictionary without asking; this is no
      // filter a phone could apply.
      loadIn.reason = plistPath + " is not a dictionary";
    } else if (id filter = objectForKeyIn(meta, "Filter"); !filter) {
      loadIn.selected = loadIn.everyProcess = true;
      loadIn.reason = (meta ? "no Filter in " : "no ") + plistPath + ": Substrate loads it into every process";
    } else if (!standin::isDictionary(filter)) {
      loadIn.reason = "the Filter of " + plistPath + " is not a dictionary";
    } else {
      const Answer answer = filterAnswer(filter, process);
      loadIn.selected = answer.load;
      loadIn.everyProcess = answer.everyProcess;
      loadIn.reason = answer.reason;
    }
    loadIns.push_back(loadIn);
  }
  return loadIns;
}

}  // namespace sb
