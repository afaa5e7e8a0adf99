// The guest's memory: host memory mapped at fixed guest addresses, shared by
// every CPU engine (each thread's engine maps the same host pages), and a
// heap in it for what the host places there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <type_traits>
#include <vector>

#include "guest_ptr.h"

namespace emu {

struct Region {
  std::uint64_t base = 0, size = 0;
  std::uint32_t perms = 0;  // UC_PROT_*
  std::uint8_t* host = nullptr;
  std::string name;
};

class GuestMemory {
 public:
  GuestMemory();
  ~GuestMemory();
  GuestMemory(const GuestMemory&) = delete;
  GuestMemory& operator=(const GuestMemory&) = delete;

  // Page-aligned; reserved lazily (untouched pages cost nothing). Regions are
  // all added while the module loads, before any engine maps them.
  Region& addRegion(std::uint64_t base, std::uint64_t size, std::uint32_t perms, std::string name);
  const std::vector<Region>& regions() const { return regions_; }

  // The host bytes behind [address, address + length), or null when any of
  // them lies outside a region.
  std::uint8_t* host(std::uint64_t address, std::uint64_t length) const;
  bool contains(std::uint64_t address, std::uint64_t length) const { return host(address, length) != nullptr; }

  // Reads and writes through the host side: guest protections do not apply.
  // Raise GuestMemoryError outside the regions.
  std::uint64_t readWord(std::uint64_t address, unsigned bytes) const;
  void writeWord(std::uint64_t address, std::uint64_t value, unsigned bytes);
  void read(std::uint64_t address, void* out, std::uint64_t length) const;
  void write(std::uint64_t address, const void* in, std::uint64_t length);
  // One whole guest structure (or word) where a typed pointer points.
  template <class T, class Word>
  T read(GuestPtr<T, Word> at) const {
    static_assert(std::is_trivially_copyable_v<T>);
    T value;
    read(at.address(), &value, sizeof value);
    return value;
  }
  template <class T, class Word>
  void write(GuestPtr<T, Word> at, const T& value) {
    static_assert(std::is_trivially_copyable_v<T>);
    write(at.address(), &value, sizeof value);
  }
  // A NUL-terminated string of at most `limit` bytes.
  std::string readCString(std::uint64_t address, std::size_t limit = 1 << 20) const;

  // The guest heap: 16-byte aligned blocks; freed blocks are reused by size.
  std::uint64_t allocate(std::uint64_t bytes);
  void release(std::uint64_t address);
  std::uint64_t copyIn(const void* data, std::uint64_t length);  // allocate + write
  std::uint64_t copyString(const std::string& text);

 private:
  std::vector<Region> regions_;
  std::mutex heapLock_;
  std::uint64_t heapNext_;
  std::map<std::uint64_t, std::uint64_t> blockSizes_;               // live: address -> size
  std::map<std::uint64_t, std::vector<std::uint64_t>> freeBySize_;  // size -> addresses
};

class GuestMemoryError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace emu
