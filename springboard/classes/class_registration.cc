#include "classes/class_registration.h"

#include <stdexcept>

namespace sb {
namespace {

// Both slices: the encodings derive from one C++ signature, and the slice a
// module runs is chosen after the classes are registered.
void requireTableTypes(Class cls, char kind, const char* selector, IMP imp, const table::Member& m,
                       const std::string& version) {
  for (DeviceSlice slice : {DeviceSlice::Arm64, DeviceSlice::Armv7}) {
    std::string own = deviceEncoding(imp.types, imp.realDoubles, slice);
    std::string want = table::methodEncoding(m.type, slice);
    if (own != want)
      throw std::logic_error(std::string(1, kind) + "[" + class_getName(cls) + " " + selector + "] takes \"" + own +
                             "\" on " + deviceSliceName(slice) + ", but iOS " + version + "'s is \"" + want + "\" (" +
                             m.source + ")");
  }
}

}  // namespace

ClassRegistration::ClassRegistration(std::string version) : version_(std::move(version)) {
  table::classesFor(version_);  // raises for an unknown version
}

const table::ClassEntry* ClassRegistration::entry(const char* className) const {
  return table::classFor(version_, className);
}

bool ClassRegistration::has(const char* className, char kind, const char* member) const {
  const table::ClassEntry* e = entry(className);
  return e && table::memberOf(*e, kind, member);
}

Class ClassRegistration::superclassFor(const char* className) const {
  const table::ClassEntry* e = entry(className);
  if (!e) return nil;
  Class super = objc_getClass(e->superclass.c_str());
  if (!super)
    throw std::logic_error(std::string(className) + "'s superclass " + e->superclass + " (iOS " + version_ +
                           ") is not registered before it");
  return super;
}

const table::Member* ClassRegistration::memberFor(Class cls, char kind, const char* name) const {
  if (!cls) return nullptr;
  const table::ClassEntry* e = entry(class_getName(cls));
  return e ? table::memberOf(*e, kind, name) : nullptr;
}

bool ClassRegistration::method(Class cls, const char* selector, IMP imp) const {
  const table::Member* m = memberFor(cls, '-', selector);
  if (!m) return false;
  requireTableTypes(cls, '-', selector, imp, *m, version_);
  return class_addMethod(cls, sel(selector), imp);
}

bool ClassRegistration::classMethod(Class cls, const char* selector, IMP imp) const {
  const table::Member* m = memberFor(cls, '+', selector);
  if (!m) return false;
  requireTableTypes(cls, '+', selector, imp, *m, version_);
  return class_addClassMethod(cls, sel(selector), imp);
}

bool ClassRegistration::ivar(Class cls, const char* name, std::ptrdiff_t offset) const {
  const table::Member* m = memberFor(cls, 'i', name);
  if (!m) return false;
  // The runtime keeps one text; the 64-bit slice's, as the names of object
  // types read the same on both.
  return class_registerIvar(cls, name, offset, table::ivarEncoding(m->type, DeviceSlice::Arm64).c_str());
}

}  // namespace sb
