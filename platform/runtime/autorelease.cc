// Autorelease pools, one stack per thread.
#include "runtime/autorelease.h"

#include <cstdio>
#include <vector>

#include "runtime/message.h"
#include "runtime/nsobject.h"

namespace {

// One stack of autoreleased objects per thread, every open pool's in turn,
// and where each pool's objects begin: a pool costs no allocation of its
// own, as objc4's pool pages cost none (AutoreleasePoolPage, NSObject.mm).
struct PoolStack {
  std::vector<id> objects;
  std::vector<std::size_t> starts;
};
// At a fixed offset from the thread pointer (the platform library is loaded
// with the program): every autoreleased object reaches it.
__attribute__((tls_model("initial-exec"))) thread_local PoolStack tPools;

// What a thread keeps of the stack once its last pool is gone.
constexpr std::size_t kKeptObjects = 1 << 16;

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

void objc_autoreleasePoolPush() { tPools.starts.push_back(tPools.objects.size()); }

// Newest first, as objc4 releases a pool's page (releaseUntil). Releasing
// may autorelease more objects into this same pool; they go too.
void objc_autoreleasePoolPop() {
  PoolStack& pools = tPools;
  if (pools.starts.empty()) return;
  const std::size_t start = pools.starts.back();
  // A pool's objects were made long before, mostly out of the cache by now:
  // each is fetched a few releases ahead of its own.
  constexpr std::size_t kAhead = 8;
  while (pools.objects.size() > start) {
    if (pools.objects.size() > start + kAhead) __builtin_prefetch(pools.objects[pools.objects.size() - 1 - kAhead], 1);
    id obj = pools.objects.back();
    pools.objects.pop_back();
    objc_release(obj);
  }
  pools.starts.pop_back();
  if (pools.starts.empty() && pools.objects.capacity() > kKeptObjects) std::vector<id>().swap(pools.objects);
}

id objc_autorelease(id obj) {
  if (!obj) return obj;
  if (tPools.starts.empty()) {
    std::fprintf(
        stderr,
        "*** __NSAutoreleaseNoPool(): Object %p of class %s autoreleased with no pool in place - just leaking\n",
        static_cast<void*>(obj), class_getName(obj->isa));
    return obj;
  }
  tPools.objects.push_back(obj);
  return obj;
}

void registerNSAutoreleasePool() {
  Class cls = objc_defineClass<PoolObject>(standin::nsObjectClass(), "NSAutoreleasePool");
  class_addMethod(cls, sel("init"), poolInit);
  class_addMethod(cls, sel("drain"), poolDrain);
}
