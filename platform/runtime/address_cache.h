// A thread's memo from an address to a value, for lookups by a name's
// address (a selector or class by name, a string constant by its literal).
// Open addressing with linear probing in a power-of-two table: a lookup is a
// multiply, a shift and a compare or two, where a node-based hash map spends
// a division and a pointer chase. Bounded: past kMaxEntries it starts afresh.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Key is a pointer type; the null pointer is the empty slot.
template <class Key, class Value>
class AddressCache {
 public:
  static constexpr std::size_t kMaxEntries = 4096;

  // The value for `key`, or nullptr. The null key (Key{}) is never found.
  const Value* find(const Key& key) const {
    if (slots_.empty() || key == Key{}) return nullptr;
    for (std::size_t i = indexOf(key);; i = (i + 1) & mask_) {
      const Slot& slot = slots_[i];
      if (slot.key == key) return &slot.value;
      if (slot.key == Key{}) return nullptr;
    }
  }

  // Adds or replaces; the null key is not kept.
  void insert(const Key& key, const Value& value) {
    if (key == Key{}) return;
    if (const Value* known = find(key)) {
      const_cast<Value&>(*known) = value;
      return;
    }
    if (count_ >= kMaxEntries) clear();
    if ((count_ + 1) * 2 > slots_.size()) grow();
    std::size_t i = indexOf(key);
    while (!(slots_[i].key == Key{})) i = (i + 1) & mask_;
    slots_[i] = Slot{key, value};
    ++count_;
  }

  void clear() {
    slots_.assign(slots_.size(), Slot{});
    count_ = 0;
  }

 private:
  struct Slot {
    Key key{};
    Value value{};
  };

  std::size_t indexOf(const Key& key) const {
    return static_cast<std::size_t>((reinterpret_cast<std::uintptr_t>(key) * 0x9E3779B97F4A7C15ull) >> shift_) & mask_;
  }

  void grow() {
    std::vector<Slot> old;
    old.swap(slots_);
    const std::size_t size = old.empty() ? 64 : old.size() * 2;
    slots_.assign(size, Slot{});
    mask_ = size - 1;
    shift_ = 64;
    for (std::size_t s = size; s > 1; s >>= 1) --shift_;
    count_ = 0;
    for (const Slot& slot : old)
      if (!(slot.key == Key{})) insert(slot.key, slot.value);
  }

  std::vector<Slot> slots_;
  std::size_t mask_ = 0;
  unsigned shift_ = 64;
  std::size_t count_ = 0;
};
