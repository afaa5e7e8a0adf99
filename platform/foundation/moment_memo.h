// A thread's memo of calendar answers: a moment for a calendar's settings
// and the fields it was asked about. Open addressing in a power-of-two table
// of full hashes, so a lookup is one hash of the fields and a compare or two
// (a node-based map spent a division and a pointer chase on each). The
// settings are kept alive by their entries: while an entry exists, no other
// settings can have its address. Bounded: past kMaxEntries it starts afresh.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/objc.h"

enum class MomentOperation : unsigned char { fromComponents, adding };

struct MomentQuery {
  MomentOperation operation;
  const void* settings;
  std::string_view componentsZone;  // empty: the calendar's own
  std::uint64_t startBits;          // adding: the start moment's bits
  std::array<NSInteger, 7> fields;

  std::uint64_t hash() const {
    std::uint64_t h = reinterpret_cast<std::uintptr_t>(settings) ^ static_cast<std::uint64_t>(operation);
    for (unsigned char c : componentsZone) h = (h ^ c) * 0x100000001b3ull;
    h = (h ^ startBits) * 0x9E3779B97F4A7C15ull;
    // Each field times its own odd constant, summed: the products do not
    // wait for one another, where a chain of multiplies would.
    constexpr std::uint64_t kFieldMultipliers[7] = {0x9E3779B97F4A7C15ull, 0xC2B2AE3D27D4EB4Full, 0x165667B19E3779F9ull,
                                                    0xD6E8FEB86659FD93ull, 0xFF51AFD7ED558CCDull, 0xC4CEB9FE1A85EC53ull,
                                                    0x94D049BB133111EBull};
    std::uint64_t sum = 0;
    for (std::size_t i = 0; i < fields.size(); ++i) sum += static_cast<std::uint64_t>(fields[i]) * kFieldMultipliers[i];
    h ^= sum;
    // The table index is taken from the low bits: fold the high ones in.
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdull;
    return h ^ (h >> 33);
  }
};

class MomentMemo {
 public:
  static constexpr std::size_t kMaxEntries = 4096;

  const double* find(const MomentQuery& query) const {
    if (slots_.empty()) return nullptr;
    const std::uint64_t h = query.hash();
    for (std::size_t i = h & mask_;; i = (i + 1) & mask_) {
      const Slot& slot = slots_[i];
      if (!slot.settings) return nullptr;
      if (slot.hash == h && matches(slot, query)) return &slot.moment;
    }
  }

  void insert(const MomentQuery& query, std::shared_ptr<const void> settings, double moment) {
    if (find(query)) return;
    if (count_ >= kMaxEntries) {
      slots_.assign(slots_.size(), Slot{});
      count_ = 0;
    }
    if ((count_ + 1) * 2 > slots_.size()) grow();
    place(Slot{query.hash(), std::move(settings), std::string(query.componentsZone), query.operation, query.startBits,
               query.fields, moment});
  }

 private:
  struct Slot {
    std::uint64_t hash = 0;
    std::shared_ptr<const void> settings;  // null: an empty slot
    std::string componentsZone;
    MomentOperation operation = MomentOperation::fromComponents;
    std::uint64_t startBits = 0;
    std::array<NSInteger, 7> fields{};
    double moment = 0;
  };

  static bool matches(const Slot& slot, const MomentQuery& query) {
    // The fields compared inline: as an array comparison they are a call to
    // memcmp at every lookup.
    std::uint64_t differ = 0;
    for (std::size_t i = 0; i < slot.fields.size(); ++i)
      differ |= static_cast<std::uint64_t>(slot.fields[i] ^ query.fields[i]);
    return differ == 0 && slot.settings.get() == query.settings && slot.operation == query.operation &&
           slot.startBits == query.startBits && slot.componentsZone == query.componentsZone;
  }

  void place(Slot slot) {
    std::size_t i = slot.hash & mask_;
    while (slots_[i].settings) i = (i + 1) & mask_;
    slots_[i] = std::move(slot);
    ++count_;
  }

  void grow() {
    std::vector<Slot> old;
    old.swap(slots_);
    const std::size_t size = old.empty() ? 64 : old.size() * 2;
    slots_.resize(size);
    mask_ = size - 1;
    count_ = 0;
    for (Slot& slot : old)
      if (slot.settings) place(std::move(slot));
  }

  std::vector<Slot> slots_;
  std::size_t mask_ = 0;
  std::size_t count_ = 0;
};
