// Bundles as Foundation finds them. +bundleForClass: asks the runtime which
// image defines the class (class_getImageName, objc4) and answers the bundle
// whose executable that image is; a class made at run time has no image, and
// Apple's NSBundle documentation gives the main bundle for it. So a
// preference bundle whose classes are made at run time gets the Settings
// app's own bundle, where none of its files are.
#include "foundation/NSBundle.h"

#include <filesystem>
#include <memory>
#include <mutex>
#include <vector>

#include "foundation/NSDictionary.h"
#include "foundation/NSLog.h"
#include "foundation/NSString.h"
#include "foundation/PropertyList.h"
#include "foundation/device.h"
#include "runtime/images.h"
#include "runtime/message.h"
#include "runtime/nsobject.h"

namespace {

namespace fs = std::filesystem;

// SpringBoard's own folder: the main bundle outside any other app.
constexpr const char* kSpringBoardApp = "/System/Library/CoreServices/SpringBoard.app";

struct NSBundleObj : objc_object {
  std::string path, hostFolder;
  std::string image;  // the executable's image once loaded; a framework's from the start
  id info = nullptr;  // retained, never released: bundles live as long as the process
  bool loaded = false;
};

NSBundleObj* asBundle(id obj) { return static_cast<NSBundleObj*>(obj); }

std::mutex gLock;
std::vector<NSBundleObj*>& bundles() {
  static auto* all = new std::vector<NSBundleObj*>;
  return *all;
}

id readInfo(const std::string& hostFolder) {
  id info = standin::propertyListFromHostFile(hostFolder + "/Info.plist");
  return standin::isDictionary(info) ? info : nil;
}

// The framework image of the platform's own whose folder is `path`, or "".
std::string frameworkImageIn(const std::string& path) {
  for (const char* image :
       {kFoundationImage, kCoreImageImage, kUIKitImage, kEventKitImage, kBulletinBoardImage, kPreferencesImage})
    if (fs::path(image).parent_path() == fs::path(path).lexically_normal()) return image;
  return "";
}

// `alwaysThere` for an app's own folder, which a device always has even when
// this root lacks it.
id bundleAt(const std::string& path, const std::string& hostFolder, bool alwaysThere = false) {
  std::string image = frameworkImageIn(path);
  std::error_code ec;
  if (image.empty() && !alwaysThere && !fs::is_directory(hostFolder, ec)) return nil;
  std::lock_guard guard(gLock);
  for (NSBundleObj* b : bundles())
    if (b->path == path) return b;
  auto* b = static_cast<NSBundleObj*>(objc_new("NSBundle"));
  b->path = path;
  b->hostFolder = hostFolder;
  b->image = image;
  b->loaded = !image.empty() && objc_imageIsLoaded(image.c_str());
  b->info = objc_retain(readInfo(hostFolder));
  bundles().push_back(b);
  return b;
}

id mainBundle(id, SEL) {
  ObjcProcess* process = objc_currentProcess();
  std::string path = process ? process->mainBundle() : kSpringBoardApp;
  return bundleAt(path, standin::resolveDevicePath(path), true);
}

id bundleWithPath(id, SEL, id path) {
  if (!standin::isString(path)) return nil;
  std::string p = standin::utf8Of(path);
  return bundleAt(p, standin::resolveDevicePath(p));
}

id bundleForClass(id self, SEL, id cls) {
  const char* image = class_getImageName(static_cast<Class>(cls));
  if (!image) return mainBundle(self, nullptr);
  {
    std::lock_guard guard(gLock);
    for (NSBundleObj* b : bundles())
      if (b->image == image) return b;
  }
  std::string folder = fs::path(image).parent_path().string();
  id b = bundleAt(folder, standin::resolveDevicePath(folder));
  return b ? b : mainBundle(self, nullptr);
}

id infoDictionary(id self, SEL) { return asBundle(self)->info; }
id infoValue(id self, SEL, id key) {
  id info = asBundle(self)->info;
  return info ? msgSend<id, id>(info, "objectForKey:", key) : nil;
}
id bundleIdentifier(id self, SEL) { return infoValue(self, nullptr, standin::str("CFBundleIdentifier")); }
id bundlePath(id self, SEL) { return standin::stringWithUTF8(asBundle(self)->path); }

id bundleWithIdentifier(id, SEL, id identifier) {
  if (!standin::isString(identifier)) return nil;
  std::vector<NSBundleObj*> known;
  {
    std::lock_guard guard(gLock);
    known = bundles();
  }
  for (NSBundleObj* b : known)
    if (msgSend<BOOL, id>(bundleIdentifier(b, nullptr), "isEqual:", identifier)) return b;
  return nil;
}

std::string resourceName(id name, id type) {
  if (!standin::isString(name)) return "";
  std::string file = standin::utf8Of(name);
  if (standin::isString(type) && !standin::utf8Of(type).empty()) file += "." + standin::utf8Of(type);
  return file.find('/') == std::string::npos && file != "." && file != ".." ? file : "";
}

id pathForResource(id self, SEL, id name, id type) {
  std::string file = resourceName(name, type);
  std::error_code ec;
  if (file.empty() || !fs::is_regular_file(asBundle(self)->hostFolder + "/" + file, ec)) return nil;
  return standin::stringWithUTF8(asBundle(self)->path + "/" + file);
}

BOOL isLoaded(id self, SEL) {
  NSBundleObj* b = asBundle(self);
  return b->loaded && (frameworkImageIn(b->path).empty() || objc_imageIsLoaded(b->image.c_str()));
}

// A framework's bundle loads its image into the process; any other bundle's
// executable is mapped by the host that runs it (standin::setBundleLoaded).
BOOL load(id self, SEL) {
  NSBundleObj* b = asBundle(self);
  if (!b->image.empty() && frameworkImageIn(b->path) == b->image) {
    if (ObjcProcess* process = objc_currentProcess()) process->load(b->image);
    b->loaded = true;
  }
  if (!isLoaded(self, nullptr))
    NSLog(standin::str("NSBundle: cannot load %s: its executable is not mapped"), b->path.c_str());
  return isLoaded(self, nullptr);
}

// Only a class this bundle's image defines (Apple's documentation: nil when
// the class is not one of the receiver's).
id classNamed(id self, SEL, id name) {
  if (!standin::isString(name) || !load(self, nullptr)) return nil;
  Class cls = objc_getClass(standin::utf8Of(name).c_str());
  return cls && bundleForClass(nil, nullptr, cls) == self ? cls : nil;
}

id principalClass(id self, SEL) {
  id name = infoValue(self, nullptr, standin::str("NSPrincipalClass"));
  if (!standin::isString(name) || !load(self, nullptr)) return nil;
  return objc_getClass(standin::utf8Of(name).c_str());
}

}  // namespace

id standin::bundleAtHostFolder(const std::string& path, const std::string& hostFolder) {
  return bundleAt(path, hostFolder);
}

void standin::setBundleLoaded(id bundle, const std::string& image) {
  if (!bundle) return;
  if (ObjcProcess* process = objc_currentProcess()) process->load(image);
  std::lock_guard guard(gLock);
  asBundle(bundle)->image = image;
  asBundle(bundle)->loaded = true;
}

std::string standin::bundleHostPathForResource(id bundle, const std::string& name, const std::string& type) {
  if (!bundle) return "";
  std::string file = resourceName(standin::stringWithUTF8(name), standin::stringWithUTF8(type));
  return file.empty() ? "" : asBundle(bundle)->hostFolder + "/" + file;
}

void registerNSBundle() {
  Class c = objc_defineClass<NSBundleObj>(standin::nsObjectClass(), "NSBundle");
  class_addClassMethod(c, sel("mainBundle"), mainBundle);
  class_addClassMethod(c, sel("bundleForClass:"), bundleForClass);
  class_addClassMethod(c, sel("bundleWithPath:"), bundleWithPath);
  class_addClassMethod(c, sel("bundleWithIdentifier:"), bundleWithIdentifier);
  class_addMethod(c, sel("bundlePath"), bundlePath);
  class_addMethod(c, sel("bundleIdentifier"), bundleIdentifier);
  class_addMethod(c, sel("infoDictionary"), infoDictionary);
  class_addMethod(c, sel("objectForInfoDictionaryKey:"), infoValue);
  class_addMethod(c, sel("pathForResource:ofType:"), pathForResource);
  class_addMethod(c, sel("load"), load);
  class_addMethod(c, sel("isLoaded"), isLoaded);
  class_addMethod(c, sel("classNamed:"), classNamed);
  class_addMethod(c, sel("principalClass"), principalClass);
}
