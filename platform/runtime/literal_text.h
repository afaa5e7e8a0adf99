// Names remembered by the address of their text. A name in a read-only
// segment of a loaded object (a literal) cannot change, so its answer needs
// no second look; any other buffer may since hold another name and is
// compared again.
#pragma once

namespace standin {

template <class T>
struct ByAddress {
  T value{};
  bool fixedText = false;
};

// Whether `text` lies in a loaded object's segment that is not writable.
// Modules are never unloaded while the runtime runs (their replacements
// stay installed), so the answer for an address does not change.
bool inReadOnlySegment(const char* text);

}  // namespace standin
