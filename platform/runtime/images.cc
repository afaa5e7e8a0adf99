#include "runtime/images.h"

#include "runtime/objc_class.h"

namespace {

thread_local std::string tDefiningImage;
// Per thread: the Settings app's code runs on the thread that entered its
// scope, while SpringBoard's work on other threads keeps seeing its own
// process. At a fixed offset from the thread pointer (the platform library
// is loaded with the program): every class lookup by name reads it.
__attribute__((tls_model("initial-exec"))) thread_local ObjcProcess* tCurrentProcess = nullptr;

}  // namespace

void objc_setDefiningImage(const std::string& path) { tDefiningImage = path; }

const std::string& objc_definingImage() { return tDefiningImage; }

const char* class_getImageName(Class cls) { return cls && !cls->image.empty() ? cls->image.c_str() : nullptr; }

void ObjcProcess::load(const std::string& image) {
  std::lock_guard guard(lock_);
  loaded_.insert(image);
}

bool ObjcProcess::hasLoaded(const std::string& image) const {
  std::lock_guard guard(lock_);
  return loaded_.count(image) != 0;
}

ObjcProcessScope::ObjcProcessScope(ObjcProcess& process) : previous_(tCurrentProcess) { tCurrentProcess = &process; }
ObjcProcessScope::~ObjcProcessScope() { tCurrentProcess = previous_; }

ObjcProcess* objc_currentProcess() { return tCurrentProcess; }

bool objc_imageIsLoaded(const char* image) {
  ObjcProcess* process = objc_currentProcess();
  return !process || !image || process->hasLoaded(image);
}
