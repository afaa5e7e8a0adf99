// Autorelease pools: a per-thread stack; draining a pool releases what was
// autoreleased into it.
#pragma once

#include "runtime/objc.h"

void objc_autoreleasePoolPush();
void objc_autoreleasePoolPop();
void registerNSAutoreleasePool();

// A scope holding one pool, for C++ callers.
class AutoreleasePool {
 public:
  AutoreleasePool() { objc_autoreleasePoolPush(); }
  ~AutoreleasePool() { objc_autoreleasePoolPop(); }
  AutoreleasePool(const AutoreleasePool&) = delete;
  AutoreleasePool& operator=(const AutoreleasePool&) = delete;
};
