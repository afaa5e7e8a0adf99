// Memory for objects: each thread keeps the blocks of the small objects it
// let go of, by size, and hands them out again. A lock builds thousands of
// short-lived objects (dates, calendars, strings, each autoreleased and let
// go at the end of its pool), more than the C library's per-thread cache
// holds, so without this most of them would take its slower paths.
// Bounded: past kMaxKeptBytes a thread gives blocks back to the C library,
// and all of them when it ends. Under a sanitizer every object goes to the
// C library, so that a use after release is still caught.
#include <cstddef>
#include <cstdint>
#include <new>

#include "runtime/objc.h"
#include "runtime/thread_owned.h"

namespace {

#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
#define QST_OBJECTS_UNDER_SANITIZER 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__) || defined(QST_OBJECTS_UNDER_SANITIZER)
constexpr bool kKeepBlocks = false;
#else
constexpr bool kKeepBlocks = true;
#endif

constexpr std::size_t kGranule = 16;
constexpr std::size_t kSizeClasses = 16;  // objects up to 256 bytes
constexpr std::size_t kMaxKeptBytes = std::size_t{2} << 20;

struct FreeBlock {
  FreeBlock* next;
};

struct KeptBlocks {
  FreeBlock* lists[kSizeClasses] = {};
  std::size_t keptBytes = 0;

  ~KeptBlocks() {
    for (std::size_t i = 0; i < kSizeClasses; ++i)
      while (FreeBlock* block = lists[i]) {
        lists[i] = block->next;
        ::operator delete(block, (i + 1) * kGranule);
      }
  }
};

// Blocks let go after the thread's own list is gone (by the destructors of
// its other thread-locals) go straight back.
KeptBlocks* keptBlocks() { return ThreadOwned<KeptBlocks>::get(); }

std::size_t sizeClassOf(std::size_t size) { return (size + kGranule - 1) / kGranule - 1; }

}  // namespace

void* objc_object::operator new(std::size_t size) {
  if (kKeepBlocks && size > 0 && size <= kSizeClasses * kGranule) {
    const std::size_t sizeClass = sizeClassOf(size);
    if (KeptBlocks* kept = keptBlocks(); kept && kept->lists[sizeClass]) {
      FreeBlock* block = kept->lists[sizeClass];
      kept->lists[sizeClass] = block->next;
      kept->keptBytes -= (sizeClass + 1) * kGranule;
      return block;
    }
    return ::operator new((sizeClass + 1) * kGranule);
  }
  return ::operator new(size);
}

void objc_object::operator delete(void* memory, std::size_t size) {
  if (!memory) return;
  if (kKeepBlocks && size > 0 && size <= kSizeClasses * kGranule) {
    const std::size_t sizeClass = sizeClassOf(size);
    const std::size_t blockBytes = (sizeClass + 1) * kGranule;
    KeptBlocks* kept = keptBlocks();
    if (kept && kept->keptBytes + blockBytes <= kMaxKeptBytes) {
      auto* block = static_cast<FreeBlock*>(memory);
      block->next = kept->lists[sizeClass];
      kept->lists[sizeClass] = block;
      kept->keptBytes += blockBytes;
      return;
    }
    ::operator delete(memory, blockBytes);
    return;
  }
  ::operator delete(memory, size);
}
