// The names by which the guest knows host things, all in its own pointer
// width:
//  - an object (or class) is an address in the arena, laid out as the device
//    lays the object out for the guest's processor: the class pointer, then
//    the instance variables of each class from the root down, at the guest's
//    sizes and alignments. The guest reads instance variables by offset; a
//    read of a slot fills it first from the host object's variable, so the
//    guest always sees the current value. A store to an object or word
//    variable (a page class keeping its `_specifiers`) sets the host's
//    variable, as the device's code sets its own object's memory, without
//    retaining; a store anywhere else in an object is a fault. The name goes
//    when the object is deallocated;
//  - the dylib's constant strings are their own addresses in __cfstring;
//  - a selector is the address of a copy of its name, as on a device;
//  - any other host pointer (a context, a semaphore, an ivar) is a number in
//    a range that is never mapped.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "guest_memory.h"
#include "layout.h"
#include "runtime/objc.h"

namespace emu {

class Handles {
 public:
  Handles(Arch arch, GuestMemory& memory);

  std::uint64_t toGuest(id object);
  // Raises std::runtime_error for an address that names no object.
  id toHost(std::uint64_t guest);
  // The dylib's constant string at `guest` stands for `object`, for ever.
  void addConstant(std::uint64_t guest, id object);

  std::uint64_t selectorToGuest(SEL selector);
  SEL selectorToHost(std::uint64_t guest);

  std::uint64_t opaqueToGuest(const void* pointer);
  void* opaqueToHost(std::uint64_t guest);

  // The guest's offset of an instance variable of `cls` (or an ancestor).
  std::uint64_t guestIvarOffset(Class cls, Ivar ivar);

  // Before the guest reads [address, address + size) in the arena.
  void fillForRead(std::uint64_t address, unsigned size);
  // Before the guest stores `value` at [address, address + size) in the
  // arena; raises GuestFault for a store that is not a whole variable.
  void storeFromGuest(std::uint64_t address, unsigned size, std::uint64_t value);
  // The runtime is about to deallocate `object`.
  void forget(id object);

 private:
  struct Field {
    std::uint64_t guestOffset;
    std::ptrdiff_t hostOffset;
    char type;  // '@' object, 'l' word, otherwise left zero
  };
  struct Layout {
    std::uint64_t size = 0;
    std::vector<Field> fields;
  };
  struct Slot {
    std::uint64_t address = 0, size = 0;
    id object = nullptr;
    const Layout* layout = nullptr;
  };
  const Layout& layoutOf(Class cls);    // with lock_ held
  std::uint64_t nameLocked(id object);  // likewise
  std::uint64_t allocateSlot(std::uint64_t size);

  Arch arch_;
  GuestMemory& memory_;
  std::mutex lock_;
  std::unordered_map<Class, Layout> layouts_;
  std::unordered_map<id, std::uint64_t> objectToGuest_;
  std::map<std::uint64_t, Slot> slots_;  // by address
  std::unordered_map<std::uint64_t, id> constants_;
  std::map<std::uint64_t, std::vector<std::uint64_t>> freeSlots_;  // by size
  std::uint64_t arenaNext_ = layout::kArenaBase;
  std::unordered_map<SEL, std::uint64_t> selectorToGuest_;
  std::unordered_map<std::uint64_t, SEL> selectorToHost_;
  std::unordered_map<const void*, std::uint64_t> opaqueToGuest_;
  std::unordered_map<std::uint64_t, void*> opaqueToHost_;
  std::uint64_t opaqueNext_ = layout::kOpaqueBase;
};

}  // namespace emu
