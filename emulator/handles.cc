#include "handles.h"

#include "machine.h"

#include <stdexcept>

#include "types.h"

namespace emu {
namespace {

// Size and alignment of an instance variable of this encoding on the guest.
std::uint64_t guestSizeOf(const char* types, unsigned word) {
  switch (types && *types ? *types : '@') {
    case 'c':
    case 'C':
    case 'B': return 1;
    case 's':
    case 'S': return 2;
    case 'i':
    case 'I':
    case 'f': return 4;
    case 'q':
    case 'Q': return 8;
    case 'd': return word;  // a length
    default: return word;
  }
}

}  // namespace

Handles::Handles(Arch arch, GuestMemory& memory) : arch_(arch), memory_(memory) {}

const Handles::Layout& Handles::layoutOf(Class cls) {
  auto known = layouts_.find(cls);
  if (known != layouts_.end()) return known->second;
  const unsigned word = guestPointerSize(arch_);
  std::vector<Class> chain;
  for (Class c = cls; c; c = class_getSuperclass(c)) chain.insert(chain.begin(), c);
  Layout layout;
  layout.size = word;  // the class pointer
  for (Class c : chain) {
    for (Ivar ivar : class_copyIvarList(c)) {
      const char* types = ivar_getTypeEncoding(ivar);
      std::uint64_t size = guestSizeOf(types, word);
      layout.size = (layout.size + size - 1) / size * size;
      char type = types && (*types == '@' || *types == '#')
                      ? '@'
                      : (types && (*types == 'q' || *types == 'Q' || *types == 'l') ? 'l' : 0);
      layout.fields.push_back({layout.size, ivar_getOffset(ivar), type});
      layout.size += size;
    }
  }
  layout.size = (layout.size + word - 1) / word * word;
  return layouts_.emplace(cls, std::move(layout)).first->second;
}

std::uint64_t Handles::allocateSlot(std::uint64_t size) {
  size = (size + 15) & ~std::uint64_t{15};
  auto reusable = freeSlots_.find(size);
  if (reusable != freeSlots_.end() && !reusable->second.empty()) {
    std::uint64_t address = reusable->second.back();
    reusable->second.pop_back();
    return address;
  }
  if (size > layout::kArenaBase + layout::kArenaSize - arenaNext_)
    throw std::runtime_error("the guest's object arena is full");
  std::uint64_t address = arenaNext_;
  arenaNext_ += size;
  return address;
}

std::uint64_t Handles::toGuest(id object) {
  if (!object) return 0;
  std::lock_guard guard(lock_);
  return nameLocked(object);
}

std::uint64_t Handles::nameLocked(id object) {
  auto known = objectToGuest_.find(object);
  if (known != objectToGuest_.end()) return known->second;
  const Layout& layout = layoutOf(object_getClass(object));
  Slot slot;
  slot.size = (layout.size + 15) & ~std::uint64_t{15};
  slot.address = allocateSlot(slot.size);
  slot.object = object;
  slot.layout = &layout;
  std::uint8_t* bytes = memory_.host(slot.address, slot.size);
  std::memset(bytes, 0, slot.size);
  objectToGuest_.emplace(object, slot.address);
  slots_.emplace(slot.address, slot);
  return slot.address;
}

id Handles::toHost(std::uint64_t guest) {
  if (!guest) return nil;
  std::lock_guard guard(lock_);
  auto slot = slots_.find(guest);
  if (slot != slots_.end()) return slot->second.object;
  auto constant = constants_.find(guest);
  if (constant != constants_.end()) return constant->second;
  throw std::runtime_error("the module passed " + hex(guest) + " where an object was expected");
}

void Handles::addConstant(std::uint64_t guest, id object) {
  std::lock_guard guard(lock_);
  constants_[guest] = object;
  objectToGuest_[object] = guest;
}

std::uint64_t Handles::selectorToGuest(SEL selector) {
  if (!selector) return 0;
  {
    std::lock_guard guard(lock_);
    auto known = selectorToGuest_.find(selector);
    if (known != selectorToGuest_.end()) return known->second;
  }
  std::uint64_t name = memory_.copyString(sel_getName(selector));
  std::lock_guard guard(lock_);
  auto [it, added] = selectorToGuest_.emplace(selector, name);
  if (!added) {
    memory_.release(name);
    return it->second;
  }
  selectorToHost_.emplace(name, selector);
  return name;
}

SEL Handles::selectorToHost(std::uint64_t guest) {
  if (!guest) return nullptr;
  {
    std::lock_guard guard(lock_);
    auto known = selectorToHost_.find(guest);
    if (known != selectorToHost_.end()) return known->second;
  }
  // A selector the guest made itself (its own name in its memory): as the
  // device's runtime would, take its name.
  return sel_registerName(memory_.readCString(guest, 4096).c_str());
}

std::uint64_t Handles::opaqueToGuest(const void* pointer) {
  if (!pointer) return 0;
  std::lock_guard guard(lock_);
  auto known = opaqueToGuest_.find(pointer);
  if (known != opaqueToGuest_.end()) return known->second;
  if (opaqueNext_ >= layout::kOpaqueBase + layout::kOpaqueSize) throw std::runtime_error("too many host pointers");
  std::uint64_t name = opaqueNext_;
  opaqueNext_ += 16;
  opaqueToGuest_.emplace(pointer, name);
  opaqueToHost_.emplace(name, const_cast<void*>(pointer));
  return name;
}

void* Handles::opaqueToHost(std::uint64_t guest) {
  if (!guest) return nullptr;
  std::lock_guard guard(lock_);
  auto known = opaqueToHost_.find(guest);
  if (known == opaqueToHost_.end())
    throw std::runtime_error("the module passed " + hex(guest) + " where a host pointer was expected");
  return known->second;
}

std::uint64_t Handles::guestIvarOffset(Class cls, Ivar ivar) {
  std::lock_guard guard(lock_);
  for (Class c = cls; c; c = class_getSuperclass(c)) {
    const Layout& layout = layoutOf(c);
    for (const Field& field : layout.fields)
      if (field.hostOffset == ivar_getOffset(ivar)) return field.guestOffset;
  }
  return 0;
}

void Handles::fillForRead(std::uint64_t address, unsigned size) {
  std::lock_guard guard(lock_);
  auto after = slots_.upper_bound(address);
  if (after == slots_.begin()) return;
  const Slot& slot = std::prev(after)->second;
  if (address >= slot.address + slot.size) return;
  const unsigned word = guestPointerSize(arch_);
  std::uint64_t offset = address - slot.address;
  for (const Field& field : slot.layout->fields) {
    if (field.guestOffset + word <= offset || field.guestOffset >= offset + size || !field.type) continue;
    const char* base = reinterpret_cast<const char*>(slot.object) + field.hostOffset;
    std::uint64_t value;
    if (field.type == '@') {
      id member = *reinterpret_cast<id const*>(base);
      value = member ? nameLocked(member) : 0;
    } else {
      value = static_cast<std::uint64_t>(*reinterpret_cast<const long*>(base));
    }
    // Other threads may read the same slot at once; each writes the same bytes.
    std::uint8_t* target = memory_.host(slot.address + field.guestOffset, word);
    if (word == 8)
      __atomic_store_n(reinterpret_cast<std::uint64_t*>(target), value, __ATOMIC_RELAXED);
    else
      __atomic_store_n(reinterpret_cast<std::uint32_t*>(target), static_cast<std::uint32_t>(value), __ATOMIC_RELAXED);
  }
}

void Handles::storeFromGuest(std::uint64_t address, unsigned size, std::uint64_t value) {
  std::lock_guard guard(lock_);
  auto after = slots_.upper_bound(address);
  const unsigned word = guestPointerSize(arch_);
  if (after != slots_.begin()) {
    const Slot& slot = std::prev(after)->second;
    std::uint64_t offset = address - slot.address;
    for (const Field& field : slot.layout->fields) {
      if (address >= slot.address + slot.size || field.guestOffset != offset || size != word || !field.type) continue;
      char* base = reinterpret_cast<char*>(slot.object) + field.hostOffset;
      if (word == 4) value &= 0xffffffffu;
      if (field.type != '@') {
        *reinterpret_cast<long*>(base) = static_cast<long>(word == 4 ? static_cast<std::int32_t>(value) : value);
        return;
      }
      id member = nil;
      if (value) {
        auto named = slots_.find(value);
        auto constant = constants_.find(value);
        if (named != slots_.end())
          member = named->second.object;
        else if (constant != constants_.end())
          member = constant->second;
        else
          throw GuestFault("the module stored " + hex(value) + " where an object was expected");
      }
      *reinterpret_cast<id*>(base) = member;
      return;
    }
  }
  throw GuestFault("the module wrote " + std::to_string(size) + " bytes into an object at " + hex(address) +
                   ", which is no instance variable it may set");
}

void Handles::forget(id object) {
  std::lock_guard guard(lock_);
  auto known = objectToGuest_.find(object);
  if (known == objectToGuest_.end()) return;
  std::uint64_t address = known->second;
  objectToGuest_.erase(known);
  auto slot = slots_.find(address);
  if (slot == slots_.end()) return;  // a constant string lives for ever
  freeSlots_[slot->second.size].push_back(address);
  slots_.erase(slot);
}

}  // namespace emu
