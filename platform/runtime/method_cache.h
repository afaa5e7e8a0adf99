// Each class's cache of the methods its instances were sent, as objc4 keeps
// one per class (objc-cache.mm): a message reads it without a lock, and the
// buckets a class's messages use lie together, where one table shared by
// every class and selector spreads them over far more memory than the
// processor keeps close.
//
// A cache holds the answers of one generation of the method tables; any
// change to a table makes every cache stale, and a stale cache is replaced
// at its class's next miss. A bucket is filled once, its implementation
// before its selector, so a reader that finds the selector finds the
// implementation that goes with it. A cache that is replaced is kept, never
// freed, because a reader on another thread may still be inside it; objc4
// likewise keeps replaced buckets until no thread can be reading them.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "runtime/objc.h"

struct MethodCache {
  struct Bucket {
    std::atomic<SEL> sel{nullptr};
    std::atomic<const IMP*> imp{nullptr};
  };

  unsigned long generation = 0;
  std::size_t mask = 0;  // buckets - 1, a power of two less one

  Bucket* buckets() { return reinterpret_cast<Bucket*>(this + 1); }
  const Bucket* buckets() const { return reinterpret_cast<const Bucket*>(this + 1); }

  static std::size_t bucketOf(SEL name, std::size_t mask) {
    return static_cast<std::size_t>((reinterpret_cast<std::uintptr_t>(name) * 0x9E3779B97F4A7C15ull) >> 40) & mask;
  }

  // The implementation remembered for `name` in `generation`, or nullptr.
  // Never blocks: a cache always keeps an empty bucket to end the probe.
  static const IMP* find(const MethodCache* cache, SEL name, unsigned long generation) {
    if (!cache || cache->generation != generation) return nullptr;
    const Bucket* b = cache->buckets();
    for (std::size_t i = bucketOf(name, cache->mask);; i = (i + 1) & cache->mask) {
      const SEL s = b[i].sel.load(std::memory_order_acquire);
      if (s == name) return b[i].imp.load(std::memory_order_relaxed);
      if (!s) return nullptr;
    }
  }
};

// Remembers `found` (nil for a selector the class does not answer) as the
// class's method for `name` in `generation`, and answers it. The reference
// stays good for the life of the process.
const IMP& methodCacheFill(std::atomic<const MethodCache*>& cache, SEL name, unsigned long generation,
                           const IMP& found);
