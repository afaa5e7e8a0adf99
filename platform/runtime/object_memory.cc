// Memory for objects: each thread keeps the blocks of the small objects it
// let go of, by size, and hands them out again. A lock builds thousands of
// short-lived objects (dates, calendars, strings, each autoreleased and let
// go at the end of its pool), more than the C library's per-thread cache
// holds, so without this most of them would take its slower paths.
//
// Objects often die on another thread than the one that made them: the
// store's threads make each fetch's reminders, and the main thread lets them
// go. A thread past kMaxKeptBytes therefore hands its blocks on, a batch at
// a time, to a shared depot, where a thread whose own blocks ran out takes
// them (as tcmalloc's transfer cache does). Given back to the C library
// instead, they would pile up in the making thread's arena, which sweeps
// them all together at its next large allocation.
//
// Bounded: past kMaxDepotBytes blocks go back to the C library, and a
// thread's own all go back when it ends. Under a sanitizer every object
// goes to the C library, so that a use after release is still caught.
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <new>
#include <vector>

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
constexpr std::size_t kBatch = 64;  // blocks handed to or taken from the depot at a time
constexpr std::size_t kMaxDepotBytes = std::size_t{8} << 20;

struct FreeBlock {
  FreeBlock* next;
};

std::size_t blockBytesOf(std::size_t sizeClass) { return (sizeClass + 1) * kGranule; }

// Batches of kBatch blocks of one size, each a list, passed between threads.
class Depot {
 public:
  bool give(std::size_t sizeClass, FreeBlock* batch) {
    const std::size_t bytes = kBatch * blockBytesOf(sizeClass);
    std::lock_guard hold(lock_);
    if (bytes_ + bytes > kMaxDepotBytes) return false;
    batches_[sizeClass].push_back(batch);
    bytes_ += bytes;
    return true;
  }

  FreeBlock* take(std::size_t sizeClass) {
    std::lock_guard hold(lock_);
    std::vector<FreeBlock*>& batches = batches_[sizeClass];
    if (batches.empty()) return nullptr;
    FreeBlock* batch = batches.back();
    batches.pop_back();
    bytes_ -= kBatch * blockBytesOf(sizeClass);
    return batch;
  }

 private:
  std::mutex lock_;
  std::vector<FreeBlock*> batches_[kSizeClasses];
  std::size_t bytes_ = 0;
};

// Never destroyed: objects are let go by the destructors of statics.
Depot& depot() {
  static Depot* theDepot = new Depot;
  return *theDepot;
}

struct KeptBlocks {
  FreeBlock* lists[kSizeClasses] = {};
  std::size_t keptBytes = 0;
  // Blocks let go past kMaxKeptBytes, gathered into the next batch for the
  // depot. The thread keeps reusing its own most recent blocks, which its
  // cache still holds, and passes on the ones it would not get to.
  FreeBlock* outgoing[kSizeClasses] = {};
  std::size_t outgoingCounts[kSizeClasses] = {};

  ~KeptBlocks() {
    for (std::size_t i = 0; i < kSizeClasses; ++i) {
      freeAll(lists[i], i);
      freeAll(outgoing[i], i);
    }
  }

  static void freeAll(FreeBlock* list, std::size_t sizeClass) {
    while (FreeBlock* block = list) {
      list = block->next;
      ::operator delete(block, blockBytesOf(sizeClass));
    }
  }

  // A kept block of the class (refilled from the depot when none is), or
  // nullptr.
  void* take(std::size_t sizeClass) {
    if (!lists[sizeClass]) {
      lists[sizeClass] = depot().take(sizeClass);
      if (!lists[sizeClass]) return nullptr;
      keptBytes += kBatch * blockBytesOf(sizeClass);
    }
    FreeBlock* block = lists[sizeClass];
    lists[sizeClass] = block->next;
    keptBytes -= blockBytesOf(sizeClass);
    // A burst of objects (a sort's dates and calendars) takes blocks let go
    // long before, out of the cache: the next one is fetched now, while this
    // one is being filled in.
    __builtin_prefetch(block->next, 1);
    return block;
  }

  // Keeps the block for reuse, or past the bound passes it on.
  void keep(std::size_t sizeClass, FreeBlock* block) {
    if (keptBytes + blockBytesOf(sizeClass) > kMaxKeptBytes) return pass(sizeClass, block);
    block->next = lists[sizeClass];
    lists[sizeClass] = block;
    keptBytes += blockBytesOf(sizeClass);
  }

  void pass(std::size_t sizeClass, FreeBlock* block) {
    block->next = outgoing[sizeClass];
    outgoing[sizeClass] = block;
    if (++outgoingCounts[sizeClass] < kBatch) return;
    FreeBlock* batch = outgoing[sizeClass];
    outgoing[sizeClass] = nullptr;
    outgoingCounts[sizeClass] = 0;
    if (!depot().give(sizeClass, batch)) freeAll(batch, sizeClass);
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
    if (KeptBlocks* kept = keptBlocks())
      if (void* block = kept->take(sizeClass)) return block;
    return ::operator new(blockBytesOf(sizeClass));
  }
  return ::operator new(size);
}

void objc_object::operator delete(void* memory, std::size_t size) {
  if (!memory) return;
  if (kKeepBlocks && size > 0 && size <= kSizeClasses * kGranule) {
    const std::size_t sizeClass = sizeClassOf(size);
    if (KeptBlocks* kept = keptBlocks()) return kept->keep(sizeClass, static_cast<FreeBlock*>(memory));
    ::operator delete(memory, blockBytesOf(sizeClass));
    return;
  }
  ::operator delete(memory, size);
}
