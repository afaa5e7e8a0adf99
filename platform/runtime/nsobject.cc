// NSObject: allocation, reference counting and introspection.
#include "runtime/nsobject.h"

#include <atomic>

#include "runtime/autorelease.h"
#include "runtime/message.h"
#include "runtime/objc_class.h"

namespace {

Class gNSObject = nil;

// Class objects receive +alloc: self is the class. The factory makes the
// C++ object of the nearest class that has one; isa is the receiving class,
// so a subclass made at run time gets instances of its own.
id alloc(id self, SEL) {
  Class cls = reinterpret_cast<Class>(self);
  for (Class c = cls; c; c = c->superclass) {
    if (!c->factory) continue;
    objc_object* obj = c->factory();
    obj->isa = cls;
    return obj;
  }
  objc_raise("NSInternalInconsistencyException", std::string("no factory for class ") + cls->name);
}

id init(id self, SEL) { return self; }
id retain(id self, SEL) { return objc_retain(self); }
void release(id self, SEL) { objc_release(self); }
id autorelease(id self, SEL) { return objc_autorelease(self); }
NSUInteger retainCount(id self, SEL) { return static_cast<NSUInteger>(objc_retainCount(self)); }
void dealloc(id self, SEL) { delete self; }
id classOf(id self, SEL) { return class_isMetaClass(self->isa) ? self : static_cast<id>(self->isa); }
id superclassOf(id self, SEL) {
  Class cls = class_isMetaClass(self->isa) ? reinterpret_cast<Class>(self) : self->isa;
  return class_getSuperclass(cls);
}
BOOL respondsToSelector(id self, SEL, SEL query) { return class_respondsToSelector(self->isa, query); }
// +[NSObject instancesRespondToSelector:]: the receiver is the class.
BOOL instancesRespondToSelector(id self, SEL, SEL query) {
  return query && class_respondsToSelector(static_cast<Class>(self), query);
}
BOOL isKindOfClass(id self, SEL, id cls) { return class_isSubclassOf(self->isa, reinterpret_cast<Class>(cls)); }
BOOL isMemberOfClass(id self, SEL, id cls) { return self->isa == reinterpret_cast<Class>(cls); }
BOOL isEqual(id self, SEL, id other) { return self == other; }
NSUInteger hash(id self, SEL) { return reinterpret_cast<NSUInteger>(self); }
id self_(id self, SEL) { return self; }

}  // namespace

Class standin::nsObjectClass() { return gNSObject; }

void registerNSObject() {
  if (gNSObject) return;
  gNSObject = objc_allocateClassPair(nil, "NSObject", [] { return new objc_object; });
  Class cls = gNSObject;
  class_addClassMethod(cls, sel("alloc"), alloc);
  class_addClassMethod(cls, sel("instancesRespondToSelector:"), instancesRespondToSelector);
  class_addMethod(cls, sel("init"), init);
  class_addMethod(cls, sel("retain"), retain);
  class_addMethod(cls, sel("release"), release);
  class_addMethod(cls, sel("autorelease"), autorelease);
  class_addMethod(cls, sel("retainCount"), retainCount);
  class_addMethod(cls, sel("dealloc"), dealloc);
  class_addMethod(cls, sel("class"), classOf);
  class_addMethod(cls, sel("superclass"), superclassOf);
  class_addMethod(cls, sel("self"), self_);
  class_addMethod(cls, sel("respondsToSelector:"), respondsToSelector);
  class_addMethod(cls, sel("isKindOfClass:"), isKindOfClass);
  class_addMethod(cls, sel("isMemberOfClass:"), isMemberOfClass);
  class_addMethod(cls, sel("isEqual:"), isEqual);
  class_addMethod(cls, sel("hash"), hash);
  objc_registerClassPair(cls);
}

// The selectors that every object's life sends are looked up once.
SEL allocSelector() {
  static const SEL s = sel("alloc");
  return s;
}

id objc_new(Class cls) {
  static const SEL init = sel("init");
  return msgSend<id>(msgSend<id>(cls, allocSelector()), init);
}
id objc_new(const char* className) { return objc_new(objc_getClass(className)); }

id objc_retain(id obj) {
  if (obj && !class_isMetaClass(obj->isa)) obj->retainCount.fetch_add(1, std::memory_order_relaxed);
  return obj;
}

namespace {
std::atomic<DeallocHandler> gDeallocHandler{nullptr};
}

void objc_setDeallocHandler(DeallocHandler handler) { gDeallocHandler.store(handler, std::memory_order_release); }

void objc_release(id obj) {
  if (!obj || class_isMetaClass(obj->isa)) return;  // class objects live forever
  if (obj->retainCount.fetch_sub(1, std::memory_order_acq_rel) != 1) return;
  if (DeallocHandler handler = gDeallocHandler.load(std::memory_order_acquire)) handler(obj);
  static const SEL dealloc = sel("dealloc");
  msgSend<void>(obj, dealloc);
}

long objc_retainCount(id obj) { return obj ? obj->retainCount.load(std::memory_order_relaxed) : 0; }
