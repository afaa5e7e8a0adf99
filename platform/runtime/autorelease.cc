// Autorelease pools, one stack per thread.
#include "runtime/autorelease.h"

#include <cstdio>
#include <vector>

#include "runtime/message.h"
#include "runtime/nsobject.h"

namespace {

thread_local std::vector<std::vector<id>> tPools;

struct PoolObject : objc_object {};

id poolInit(id self, SEL) {
  objc_autoreleasePoolPush();
  return self;
}

// -drain pops the pool and disposes of the pool object itself, as on the
// device (a pool is never retained or autoreleased).
void poolDrain(id self, SEL) {
  objc_autoreleasePoolPop();
  delete self;
}

}  // namespace

void objc_autoreleasePoolPush() { tPools.emplace_back(); }

void objc_autoreleasePoolPop() {
  if (tPools.empty()) return;
  // Releasing may autorelease more objects into this same pool; keep going
  // until it stays empty.
  while (!tPools.back().empty()) {
    std::vector<id> objects;
    objects.swap(tPools.back());
    for (id obj : objects) objc_release(obj);
  }
  tPools.pop_back();
}

id objc_autorelease(id obj) {
  if (!obj) return obj;
  if (tPools.empty()) {
    std::fprintf(stderr, "*** __NSAutoreleaseNoPool(): Object %p of class %s autoreleased with no pool in place - just leaking\n",
                 static_cast<void*>(obj), class_getName(obj->isa));
    return obj;
  }
  tPools.back().push_back(obj);
  return obj;
}

void registerNSAutoreleasePool() {
  Class cls = objc_defineClass<PoolObject>(NSObjectClass(), "NSAutoreleasePool");
  class_addMethod(cls, sel("init"), poolInit);
  class_addMethod(cls, sel("drain"), poolDrain);
}
