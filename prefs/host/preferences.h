// The object runtime, Foundation and UIKit as the settings pane sees them:
// the library's own declarations of the device's interface (messages, strong
// references, strings, image contexts), with what a bundle that makes
// classes of its own needs besides: allocating and registering a class
// pair, and sending to the superclass. The backend chosen at configure time
// supplies those two. The library itself makes no classes.
#pragma once

#include "backend/class_pairs.h"
#include "host/foundation.h"
#include "host/objc.h"
#include "host/uikit.h"

namespace qst::prefs {

// The class `name`, a subclass of `superclass` with the given methods, made
// and registered at load time; nil when the superclass is missing (a
// process without the Settings app's framework) or the name is taken.
struct MethodRow {
  const char* selector;
  AddedMethod method;  // its type encoding derived from its signature
};

template <unsigned long N>
Class makeClass(const char* superclassName, const char* name, const MethodRow (&methods)[N]) {
  Class superclass = objc_getClass(superclassName);
  if (!superclass || objc_getClass(name)) return nil;
  Class cls = allocateClassPair(superclass, name);
  if (!cls) return nil;
  for (const MethodRow& m : methods) addMethod(cls, m.selector, m.method);
  objc_registerClassPair(cls);
  return cls;
}

// Stores a retained value in the object's instance variable `name`, found
// by name as the framework's ivars are, releasing the previous one.
inline void storeIvar(id obj, const char* name, id value) {
  Ivar iv = obj ? class_getInstanceVariable(object_getClass(obj), name) : nullptr;
  if (!iv) return;
  id* slot = reinterpret_cast<id*>(reinterpret_cast<char*>(obj) + ivar_getOffset(iv));
  objc_retain(value);
  id old = *slot;
  *slot = value;
  objc_release(old);
}

}  // namespace qst::prefs
