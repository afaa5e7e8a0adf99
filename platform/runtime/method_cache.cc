#include "runtime/method_cache.h"

#include <map>
#include <mutex>
#include <new>
#include <tuple>
#include <vector>

namespace {

constexpr std::size_t kFirstBuckets = 8;

// Replaced caches are kept (see the header). They come from changes to the
// method tables, which are made while the process starts and while modules
// hook; past this much, a class whose cache went stale keeps answering from
// the tables through a fill each time rather than keep more.
constexpr std::size_t kMaxRetiredBytes = std::size_t{8} << 20;

struct Filler {
  std::mutex lock;  // one filler at a time; readers take none
  // Every implementation a cache has pointed to, by value: a method's
  // implementation may be replaced while a reader holds the old one.
  std::map<std::tuple<void (*)(), const std::type_info*, const char*, std::uint64_t>, IMP> kept;
  std::vector<MethodCache*> retired;
  std::size_t retiredBytes = 0;
};

Filler& filler() {
  static Filler* f = new Filler;  // lives as long as the process, as the caches do
  return *f;
}

std::size_t bytesFor(std::size_t buckets) { return sizeof(MethodCache) + buckets * sizeof(MethodCache::Bucket); }

MethodCache* makeCache(unsigned long generation, std::size_t buckets) {
  void* memory = ::operator new(bytesFor(buckets));
  auto* cache = new (memory) MethodCache;
  cache->generation = generation;
  cache->mask = buckets - 1;
  for (std::size_t i = 0; i < buckets; ++i) new (&cache->buckets()[i]) MethodCache::Bucket;
  return cache;
}

void put(MethodCache* cache, SEL name, const IMP* imp) {
  MethodCache::Bucket* b = cache->buckets();
  std::size_t i = MethodCache::bucketOf(name, cache->mask);
  while (b[i].sel.load(std::memory_order_relaxed)) i = (i + 1) & cache->mask;
  b[i].imp.store(imp, std::memory_order_relaxed);
  b[i].sel.store(name, std::memory_order_release);  // publishes the implementation with it
}

std::size_t filled(const MethodCache* cache) {
  std::size_t n = 0;
  for (std::size_t i = 0; i <= cache->mask; ++i)
    n += cache->buckets()[i].sel.load(std::memory_order_relaxed) != nullptr;
  return n;
}

const IMP* keep(Filler& f, const IMP& imp) {
  auto [it, fresh] = f.kept.try_emplace({imp.fn, imp.signature, imp.types, imp.realDoubles}, imp);
  return &it->second;
}

}  // namespace

const IMP& methodCacheFill(std::atomic<const MethodCache*>& slot, SEL name, unsigned long generation,
                           const IMP& found) {
  Filler& f = filler();
  std::lock_guard hold(f.lock);
  const IMP* imp = keep(f, found);
  auto* cache = const_cast<MethodCache*>(slot.load(std::memory_order_relaxed));
  const bool current = cache && cache->generation == generation;
  if (current && MethodCache::find(cache, name, generation)) return *imp;  // another thread filled it
  const std::size_t buckets = cache ? cache->mask + 1 : kFirstBuckets;
  // At most three quarters full, so a probe always meets an empty bucket.
  if (current && (filled(cache) + 1) * 4 <= buckets * 3) {
    put(cache, name, imp);
    return *imp;
  }
  const std::size_t grown = current ? buckets * 2 : buckets;
  if (cache && f.retiredBytes + bytesFor(buckets) > kMaxRetiredBytes) return *imp;
  MethodCache* replacement = makeCache(generation, grown);
  if (current)
    for (std::size_t i = 0; i < buckets; ++i)
      if (SEL s = cache->buckets()[i].sel.load(std::memory_order_relaxed))
        put(replacement, s, cache->buckets()[i].imp.load(std::memory_order_relaxed));
  put(replacement, name, imp);
  slot.store(replacement, std::memory_order_release);
  if (cache) {
    f.retired.push_back(cache);
    f.retiredBytes += bytesFor(buckets);
  }
  return *imp;
}
