// NSBundle (class "NSBundle"): a folder with an Info.plist, its resources and
// perhaps an executable.
//   +mainBundle, +bundleForClass:, +bundleWithPath:, +bundleWithIdentifier:,
//   -bundlePath, -bundleIdentifier, -infoDictionary,
//   -objectForInfoDictionaryKey:, -pathForResource:ofType:, -load,
//   -isLoaded, -classNamed:, -principalClass.
// One bundle object per path, kept for the life of the process, as
// Foundation keeps them.
#pragma once

#include <string>

#include "runtime/objc.h"

namespace standin {

// The bundle at the device path `path`, its files read from the host folder
// `hostFolder` (the Settings app gives a bundle built on the host); nil when
// that folder is missing. Not autoreleased: bundles are never freed.
id bundleAtHostFolder(const std::string& path, const std::string& hostFolder);
// Marks the bundle loaded, its executable being the image `image`: the host
// that mapped it into the current process says so, as NSBundle's load does
// once dyld has.
void setBundleLoaded(id bundle, const std::string& image);
// Where the bundle's resource "name.type" is read on this host; "" for none.
std::string bundleHostPathForResource(id bundle, const std::string& name, const std::string& type);

}  // namespace standin

void registerNSBundle();
