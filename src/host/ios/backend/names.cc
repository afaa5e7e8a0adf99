// Selectors and classes by name, each name written in the library's source
// looked up once.
//
// Compiled Objective-C reaches a selector or a class through a reference
// the loader fixes once (objc4's selector and class references); the
// library names them by text, so the answer for a name that lies in this
// image's own __TEXT segment (a literal, which cannot change while the
// image is mapped) is kept after its first lookup, and a message costs no
// call into the runtime to find its selector. Any other text is looked up
// every time. A class the runtime does not (yet) know is not kept.
//
// Everything here has internal linkage and is reached PC-relative: the
// armv7 linker left zero the non-lazy pointers through which code reached
// inline (weak) tables in headers, and the one to __dso_handle. Nothing is
// initialised at run time (no guarded statics, no initialiser), and a slot
// is written once: claimed, filled, then its name published (acquire/
// release), so a reader on any thread sees a whole one.
#include "backend/runtime.h"

namespace {

constexpr unsigned kSlots = 512;  // a power of two, well above the names the library writes

// A slot is free while its name is null, claimed while it is kClaimed, and
// holds `value` once its name is published.
struct Slot {
  const char* name;
  const void* value;
};
const char* const kClaimed = reinterpret_cast<const char*>(1);

Slot gSelectors[kSlots];
Slot gClasses[kSlots];

// The bounds of this image's __TEXT segment in memory; the end is 0 until
// they are read (published last), and 1 when there are none.
__UINTPTR_TYPE__ gTextStart;
__UINTPTR_TYPE__ gTextEnd;

unsigned read32(const char* at) {
  unsigned value;
  __builtin_memcpy(&value, at, 4);
  return value;
}

__UINTPTR_TYPE__ readWord(const char* at) {
  __UINTPTR_TYPE__ value;
  __builtin_memcpy(&value, at, sizeof value);
  return value;
}

// The segment command's 16-byte name field holds "__TEXT" and NULs.
bool namesText(const char* field) {
  const char text[16] = "__TEXT";
  for (unsigned i = 0; i < 16; ++i)
    if (field[i] != text[i]) return false;
  return true;
}

// This image's Mach-O header: the first page of its __TEXT segment, which
// holds this code too, found by going back a page (4 KiB, the smallest page
// either processor maps) at a time from this function. The linker's own
// name for the header (__dso_handle) is reached through a non-lazy pointer
// that the armv7 linker leaves zero, so it is not used. A page is the
// header when its magic, processor and file type are this image's
// (mach-o/loader.h: MH_DYLIB 6, MH_BUNDLE 8); the search is bounded.
constexpr bool kWide = sizeof(void*) == 8;

bool isOwnHeader(const char* page) {
  const unsigned magic = kWide ? 0xFEEDFACFu : 0xFEEDFACEu, cpu = kWide ? 0x0100000Cu : 12u;
  const unsigned fileType = read32(page + 12);
  return read32(page) == magic && read32(page + 4) == cpu && (fileType == 6 || fileType == 8);
}

const char* ownHeader() {
  constexpr __UINTPTR_TYPE__ kPage = 4096, kMostPages = 16384;  // 64 MiB of code
  auto at = reinterpret_cast<__UINTPTR_TYPE__>(&ownHeader) & ~(kPage - 1);
  for (__UINTPTR_TYPE__ pages = 0; pages < kMostPages && at; ++pages, at -= kPage)
    if (isOwnHeader(reinterpret_cast<const char*>(at))) return reinterpret_cast<const char*>(at);
  return nullptr;
}

// The __TEXT segment holds the header itself, at its start (mach-o/loader.h:
// the segment's file offset is 0), so the segment in memory starts at the
// header and spans its vmsize. 32- and 64-bit layouts. Without a header or
// a __TEXT segment found, no name counts as a literal.
void readTextBounds() {
  __UINTPTR_TYPE__ start = 0, end = 1;
  if (const char* header = ownHeader()) {
    const unsigned headerBytes = kWide ? 32 : 28, segmentCommand = kWide ? 0x19 : 0x1;
    const unsigned commands = read32(header + 16);
    const char* command = header + headerBytes;
    for (unsigned c = 0; c < commands && c < 256; ++c) {
      const unsigned kind = read32(command), size = read32(command + 4);
      if (kind == segmentCommand && namesText(command + 8)) {
        start = reinterpret_cast<__UINTPTR_TYPE__>(header);
        end = start + readWord(command + 24 + sizeof(void*));  // vmsize, after vmaddr
        break;
      }
      if (size < 8) break;
      command += size;
    }
  }
  gTextStart = start;
  __atomic_store_n(&gTextEnd, end, __ATOMIC_RELEASE);
}

bool isLiteral(const char* name) {
  __UINTPTR_TYPE__ end = __atomic_load_n(&gTextEnd, __ATOMIC_ACQUIRE);
  if (!end) {
    readTextBounds();  // the same answer on any thread that gets here first
    end = __atomic_load_n(&gTextEnd, __ATOMIC_ACQUIRE);
  }
  const auto address = reinterpret_cast<__UINTPTR_TYPE__>(name);
  return address >= gTextStart && address < end;
}

// Only literals are ever kept, so a name found at its own address is one,
// and a hit needs no look at the bounds; the first free slot on the way
// means the name is not kept (slots are never emptied).
template <class Lookup>
const void* find(Slot* table, const char* name, Lookup lookup) {
  const auto address = static_cast<unsigned>(reinterpret_cast<__UINTPTR_TYPE__>(name));
  for (unsigned probe = 0, i = (address * 2654435761u) >> 23; name && probe < kSlots;
       ++probe, i = (i + 1) & (kSlots - 1)) {
    Slot& slot = table[i];
    const char* held = __atomic_load_n(&slot.name, __ATOMIC_ACQUIRE);
    if (held == name) return slot.value;
    if (held) continue;  // another name's, or being filled: look further
    if (!isLiteral(name)) break;
    const void* value = lookup(name);
    if (!value) return value;
    const char* expected = nullptr;
    if (__atomic_compare_exchange_n(&slot.name, &expected, kClaimed, false, __ATOMIC_ACQUIRE, __ATOMIC_RELAXED)) {
      slot.value = value;
      __atomic_store_n(&slot.name, name, __ATOMIC_RELEASE);
    }
    return value;
  }
  return lookup(name);
}

}  // namespace

SEL sel(const char* name) {
  return static_cast<SEL>(find(gSelectors, name, [](const char* n) -> const void* { return sel_registerName(n); }));
}

Class classNamed(const char* name) {
  return static_cast<Class>(
      const_cast<void*>(find(gClasses, name, [](const char* n) -> const void* { return objc_getClass(n); })));
}
