#include "guest_memory.h"

#include <sys/mman.h>

#include <stdexcept>

#include "layout.h"

namespace emu {
namespace {
constexpr std::uint64_t kPage = 0x1000;
}  // namespace

GuestMemory::GuestMemory() : heapNext_(layout::kHeapBase) {}

GuestMemory::~GuestMemory() {
  for (Region& r : regions_) munmap(r.host, r.size);
}

Region& GuestMemory::addRegion(std::uint64_t base, std::uint64_t size, std::uint32_t perms, std::string name) {
  if (base % kPage || size == 0) throw std::logic_error("guest region not page-aligned: " + name);
  size = (size + kPage - 1) & ~(kPage - 1);
  void* host = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (host == MAP_FAILED) throw std::runtime_error("cannot reserve guest memory for " + name);
  regions_.push_back(Region{base, size, perms, static_cast<std::uint8_t*>(host), std::move(name)});
  return regions_.back();
}

std::uint8_t* GuestMemory::host(std::uint64_t address, std::uint64_t length) const {
  for (const Region& r : regions_)
    if (address >= r.base && address - r.base <= r.size && length <= r.size - (address - r.base))
      return r.host + (address - r.base);
  return nullptr;
}

std::uint64_t GuestMemory::readWord(std::uint64_t address, unsigned bytes) const {
  std::uint64_t value = 0;
  read(address, &value, bytes);  // little-endian guest and host
  return value;
}

void GuestMemory::writeWord(std::uint64_t address, std::uint64_t value, unsigned bytes) {
  write(address, &value, bytes);
}

void GuestMemory::read(std::uint64_t address, void* out, std::uint64_t length) const {
  const std::uint8_t* p = host(address, length);
  if (!p) throw GuestMemoryError("the guest's memory at " + hex(address) + " is not mapped");
  std::memcpy(out, p, length);
}

void GuestMemory::write(std::uint64_t address, const void* in, std::uint64_t length) {
  std::uint8_t* p = host(address, length);
  if (!p) throw GuestMemoryError("the guest's memory at " + hex(address) + " is not mapped");
  std::memcpy(p, in, length);
}

std::string GuestMemory::readCString(std::uint64_t address, std::size_t limit) const {
  std::string text;
  for (;;) {
    const std::uint8_t* p = host(address + text.size(), 1);
    if (!p) throw GuestMemoryError("the guest's string at " + hex(address) + " runs into unmapped memory");
    if (*p == 0) return text;
    if (text.size() == limit) throw GuestMemoryError("the guest's string at " + hex(address) + " is unterminated");
    text.push_back(static_cast<char>(*p));
  }
}

std::uint64_t GuestMemory::allocate(std::uint64_t bytes) {
  std::uint64_t size = (std::max<std::uint64_t>(bytes, 1) + 15) & ~std::uint64_t{15};
  std::lock_guard guard(heapLock_);
  std::uint64_t address;
  auto reusable = freeBySize_.find(size);
  if (reusable != freeBySize_.end() && !reusable->second.empty()) {
    address = reusable->second.back();
    reusable->second.pop_back();
  } else {
    if (size > layout::kHeapBase + layout::kHeapSize - heapNext_) throw GuestMemoryError("the guest heap is full");
    address = heapNext_;
    heapNext_ += size;
  }
  blockSizes_[address] = size;
  return address;
}

void GuestMemory::release(std::uint64_t address) {
  if (!address) return;
  std::lock_guard guard(heapLock_);
  auto block = blockSizes_.find(address);
  if (block == blockSizes_.end()) return;
  freeBySize_[block->second].push_back(address);
  blockSizes_.erase(block);
}

std::uint64_t GuestMemory::copyIn(const void* data, std::uint64_t length) {
  std::uint64_t address = allocate(length);
  write(address, data, length);
  return address;
}

std::uint64_t GuestMemory::copyString(const std::string& text) { return copyIn(text.c_str(), text.size() + 1); }

}  // namespace emu
