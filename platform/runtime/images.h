// Which image defines a class, and which framework images a process has
// loaded.
//
// On the device a class compiled into an image knows that image
// (class_getImageName, objc4's runtime); a class made while the process runs
// (objc_allocateClassPair) belongs to no image, and class_getImageName gives
// NULL. Foundation's +bundleForClass: builds on that.
//
// A framework's classes exist in a process only once an image that links the
// framework is loaded there (dyld maps the framework, and objc4 reads its
// classes as the image is mapped). The simulator runs SpringBoard and the
// Settings app in one process, so the Settings app keeps its own list of
// loaded images and makes it current while its code runs: class lookups by
// name then see only the classes of those images.
#pragma once

#include <mutex>
#include <set>
#include <string>

#include "runtime/objc.h"

// Classes allocated on this thread while an image is set are that image's;
// empty makes them run-time classes again. The frameworks set it while they
// register their classes.
void objc_setDefiningImage(const std::string& path);
const std::string& objc_definingImage();
const char* class_getImageName(Class cls);  // nullptr for a class made at run time

// The images of the libraries and frameworks the platform provides.
inline constexpr const char* kObjcImage = "/usr/lib/libobjc.A.dylib";
inline constexpr const char* kFoundationImage = "/System/Library/Frameworks/Foundation.framework/Foundation";
inline constexpr const char* kCoreImageImage = "/System/Library/Frameworks/CoreImage.framework/CoreImage";
inline constexpr const char* kUIKitImage = "/System/Library/Frameworks/UIKit.framework/UIKit";
inline constexpr const char* kEventKitImage = "/System/Library/Frameworks/EventKit.framework/EventKit";
inline constexpr const char* kBulletinBoardImage =
    "/System/Library/PrivateFrameworks/BulletinBoard.framework/BulletinBoard";
inline constexpr const char* kPreferencesImage = "/System/Library/PrivateFrameworks/Preferences.framework/Preferences";
// The device's libraries a module links that define no classes here.
inline constexpr const char* kSystemImage = "/usr/lib/libSystem.B.dylib";
inline constexpr const char* kSubstrateImage = "/Library/Frameworks/CydiaSubstrate.framework/CydiaSubstrate";
inline constexpr const char* kCoreFoundationImage =
    "/System/Library/Frameworks/CoreFoundation.framework/CoreFoundation";
inline constexpr const char* kCoreGraphicsImage = "/System/Library/Frameworks/CoreGraphics.framework/CoreGraphics";

// A process's loaded images. While one is current (ObjcProcessScope), a
// class whose image it has not loaded is not found by name; classes made at
// run time are always found. With none current every class is found, as in
// SpringBoard's process, where the library's module links every framework
// it uses.
class ObjcProcess {
 public:
  // `mainBundle` is the device path of the app's folder (+[NSBundle
  // mainBundle]).
  ObjcProcess(std::string mainBundle, std::set<std::string> loadedImages)
      : mainBundle_(std::move(mainBundle)), loaded_(std::move(loadedImages)) {}
  const std::string& mainBundle() const { return mainBundle_; }
  void load(const std::string& image);  // thread-safe
  bool hasLoaded(const std::string& image) const;

 private:
  const std::string mainBundle_;
  mutable std::mutex lock_;
  std::set<std::string> loaded_;
};

// Makes `process` current on this thread until the scope ends (nesting
// restores the outer one).
class ObjcProcessScope {
 public:
  explicit ObjcProcessScope(ObjcProcess& process);
  ~ObjcProcessScope();
  ObjcProcessScope(const ObjcProcessScope&) = delete;
  ObjcProcessScope& operator=(const ObjcProcessScope&) = delete;

 private:
  ObjcProcess* previous_;
};

ObjcProcess* objc_currentProcess();  // nullptr outside any scope
// True when a class of `image` (nullptr for a run-time class) may be found
// by name now.
bool objc_imageIsLoaded(const char* image);
