#include "coregraphics/pixel_pool.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

namespace {

constexpr std::size_t kMaxPooledBytes = 8u << 20;
constexpr std::size_t kMaxPooledBuffers = 512;
// Larger buffers are not worth keeping: they come from mmap and go back whole.
constexpr std::size_t kMaxBufferBytes = 1u << 20;

struct alignas(16) Buffer {  // the pixels follow, 16-byte aligned as pixman likes
  std::size_t bytes;
  KnownPixels known;  // kept while the buffer waits in the pool
  unsigned char* pixels() { return reinterpret_cast<unsigned char*>(this + 1); }
};

class Pool {
 public:
  Buffer* take(std::size_t bytes) {
    {
      std::lock_guard lock(mutex_);
      for (std::size_t i = free_.size(); i-- > 0;) {
        if (free_[i]->bytes != bytes) continue;
        Buffer* found = free_[i];
        free_[i] = free_.back();
        free_.pop_back();
        pooledBytes_ -= bytes;
        return found;
      }
    }
    auto* buffer = static_cast<Buffer*>(std::malloc(sizeof(Buffer) + bytes));
    if (buffer) {
      buffer->bytes = bytes;
      buffer->known = KnownPixels{0, 0, bytes};
    }
    return buffer;
  }

  void give(Buffer* buffer) {
    if (buffer->bytes <= kMaxBufferBytes) {
      std::lock_guard lock(mutex_);
      if (free_.size() < kMaxPooledBuffers && pooledBytes_ + buffer->bytes <= kMaxPooledBytes) {
        pooledBytes_ += buffer->bytes;
        free_.push_back(buffer);
        return;
      }
    }
    std::free(buffer);
  }

 private:
  std::mutex mutex_;
  std::vector<Buffer*> free_;
  std::size_t pooledBytes_ = 0;
};

// Never destroyed: surfaces may be released by the destructors of statics,
// after this file's own would have run.
Pool& pool() {
  static Pool* thePool = new Pool;
  return *thePool;
}

void giveBack(void* buffer) { pool().give(static_cast<Buffer*>(buffer)); }

const cairo_user_data_key_t kPooledPixels{};

// Cleared content is named by its shape, so that every cleared canvas of a
// size has the same tag; tags handed out otherwise never have the top bit.
std::uint64_t clearedTag(cairo_format_t format, int width, int height) {
  return 1ull << 63 | static_cast<std::uint64_t>(format & 0xff) << 48 | static_cast<std::uint64_t>(width) << 24 |
         static_cast<std::uint64_t>(height);
}

std::atomic<std::uint64_t> gLastTag{0};

}  // namespace

void KnownPixels::forget() {
  tag = 0;
  dirtyFrom = 0;
  dirtyTo = SIZE_MAX;
}

void KnownPixels::written(std::size_t from, std::size_t to, std::uint64_t newTag) {
  tag = newTag;
  if (from >= to) return;
  if (dirtyFrom >= dirtyTo) {
    dirtyFrom = from, dirtyTo = to;
    return;
  }
  dirtyFrom = std::min(dirtyFrom, from);
  dirtyTo = std::max(dirtyTo, to);
}

std::uint64_t newPixelsTag() { return gLastTag.fetch_add(1, std::memory_order_relaxed) + 1; }

KnownPixels* knownPixelsOf(cairo_surface_t* surface) {
  auto* buffer = static_cast<Buffer*>(cairo_surface_get_user_data(surface, &kPooledPixels));
  return buffer ? &buffer->known : nullptr;
}

cairo_surface_t* createPooledImageSurface(cairo_format_t format, int width, int height, bool clear) {
  const int stride = cairo_format_stride_for_width(format, width);
  if (width <= 0 || height <= 0 || stride <= 0) return cairo_image_surface_create(format, width, height);
  const std::size_t bytes = static_cast<std::size_t>(stride) * static_cast<std::size_t>(height);
  if (bytes > kMaxBufferBytes) {
    // Not pooled: cairo's own allocation, cleared as always.
    return cairo_image_surface_create(format, width, height);
  }
  Buffer* buffer = pool().take(bytes);
  if (!buffer) return cairo_image_surface_create(format, -1, -1);  // an error surface
  KnownPixels& known = buffer->known;
  if (clear) {
    // Only what was painted since the buffer was last cleared.
    const std::size_t to = std::min(known.dirtyTo, bytes);
    if (known.dirtyFrom < to) std::memset(buffer->pixels() + known.dirtyFrom, 0, to - known.dirtyFrom);
    known = KnownPixels{clearedTag(format, width, height), 0, 0};
  } else {
    known.forget();
  }
  cairo_surface_t* surface = cairo_image_surface_create_for_data(buffer->pixels(), format, width, height, stride);
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS ||
      cairo_surface_set_user_data(surface, &kPooledPixels, buffer, giveBack) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(surface);
    pool().give(buffer);
    return cairo_image_surface_create(format, -1, -1);
  }
  return surface;
}
