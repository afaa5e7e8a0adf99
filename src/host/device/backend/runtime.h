// The device's object runtime and CydiaSubstrate, declared from their public
// C interface: only the calls the library makes. Every function here is
// imported from libobjc or CydiaSubstrate; nothing is implemented locally
// beyond typed casts of the message-send entry points.
#pragma once

// ---- types ------------------------------------------------------------------
// Opaque: the library never looks inside an object except through an ivar
// offset the runtime gives it. Class derives from id as class objects are
// objects.
struct objc_object {};
struct objc_class : objc_object {};
struct objc_selector;
struct objc_ivar;

using id = objc_object*;
using Class = objc_class*;
using SEL = const objc_selector*;
using Ivar = objc_ivar*;
// An implementation is a plain function pointer; it is only ever called after
// a cast to the exact signature of the method it implements.
using IMP = void (*)();

// BOOL, NSInteger and the length type follow the processor, as the device's
// own headers define them: 64-bit ARM has a real bool and double lengths,
// 32-bit ARM a signed char and float lengths.
#if defined(__LP64__)
using BOOL = bool;
using CGFloat = double;
#else
using BOOL = signed char;
using CGFloat = float;
#endif
using NSInteger = long;
using NSUInteger = unsigned long;

static_assert(sizeof(void*) == 8 || sizeof(void*) == 4, "a 32- or 64-bit ARM device");
static_assert(sizeof(CGFloat) == sizeof(void*), "CGFloat is double on 64-bit processors and float on 32-bit ones");
static_assert(sizeof(NSInteger) == sizeof(void*), "NSInteger is the machine word");

inline constexpr BOOL YES = true;
inline constexpr BOOL NO = false;
#define nil nullptr

// ---- the runtime's C interface (libobjc) --------------------------------------
extern "C" {
Class objc_getClass(const char* name);
Class object_getClass(id obj);
SEL sel_registerName(const char* name);
bool class_addMethod(Class cls, SEL name, IMP imp, const char* types);
Ivar class_getInstanceVariable(Class cls, const char* name);
__PTRDIFF_TYPE__ ivar_getOffset(Ivar ivar);

id objc_retain(id obj);
void objc_release(id obj);
id objc_autorelease(id obj);
void* objc_autoreleasePoolPush(void);
void objc_autoreleasePoolPop(void* pool);

// Declared without arguments: each call site casts it to the method's own
// signature, which is how the runtime expects to be called.
void objc_msgSend(void);
#if defined(__arm__)
void objc_msgSend_stret(void);
#endif

// CydiaSubstrate.
void MSHookMessageEx(Class cls, SEL selector, IMP replacement, IMP* result);
}

// ---- names looked up once ---------------------------------------------------------
// Compiled Objective-C reaches a selector or a class through a reference
// the loader fixes once; the library names them by text, so the answer for
// each name written in its source (a literal in its own __TEXT,__cstring
// section, which cannot change) is kept after the first lookup, and a
// message costs no call into the runtime to find its selector. Any other
// text is looked up every time. A slot is written once: claimed, filled,
// then published (acquire/release), so any thread reads a whole one.
// Classes not (yet) registered are not kept.
// The image's own Mach-O header, which the linker names for every image.
extern "C" const char __dso_handle[];

namespace name_cache {

inline constexpr unsigned kSlots = 1024;  // a power of two, well above the names the library uses

struct Slot {
  int state;  // 0 free, 1 being filled, 2 ready
  const char* name;
  const void* value;
};

struct Table {
  Slot slots[kSlots];
};

inline Table selectors;
inline Table classes;

// The bounds of this image's __TEXT,__cstring section in memory, read once
// from its own load commands (32- or 64-bit), with the image's slide.
struct Range {
  __UINTPTR_TYPE__ start, end;
};

inline unsigned read32(const char* at) {
  unsigned value;
  __builtin_memcpy(&value, at, 4);
  return value;
}

inline __UINTPTR_TYPE__ readWord(const char* at) {
  __UINTPTR_TYPE__ value;
  __builtin_memcpy(&value, at, sizeof value);
  return value;
}

inline bool sameName(const char* field, const char* name) {
  for (unsigned i = 0; i < 16; ++i) {
    if (field[i] != name[i]) return false;
    if (!name[i]) return true;
  }
  return true;
}

inline Range literalsOf(const char* header) {
  constexpr bool wide = sizeof(void*) == 8;
  const unsigned headerBytes = wide ? 32 : 28, segmentCommand = wide ? 0x19 : 0x1;
  const unsigned commands = read32(header + 16);
  const char* command = header + headerBytes;
  for (unsigned c = 0; c < commands; ++c) {
    const unsigned kind = read32(command), size = read32(command + 4);
    if (kind == segmentCommand && sameName(command + 8, "__TEXT")) {
      const __UINTPTR_TYPE__ vmaddr = readWord(command + 24);
      const __UINTPTR_TYPE__ slide = reinterpret_cast<__UINTPTR_TYPE__>(header) - vmaddr;
      const unsigned sections = read32(command + (wide ? 64 : 48));
      const char* section = command + (wide ? 72 : 56);
      const unsigned sectionBytes = wide ? 80 : 68;
      for (unsigned i = 0; i < sections; ++i, section += sectionBytes)
        if (sameName(section, "__cstring")) {
          const __UINTPTR_TYPE__ addr = readWord(section + 32), bytes = readWord(section + 32 + sizeof(void*));
          return {addr + slide, addr + slide + bytes};
        }
    }
    command += size;
  }
  return {0, 0};
}

inline Range literals;  // set once; {0, 0} until then
inline int literalsKnown;

inline bool isLiteral(const char* name) {
  if (!__atomic_load_n(&literalsKnown, __ATOMIC_ACQUIRE)) {
    const Range found = literalsOf(__dso_handle);
    literals = found;  // the same answer on any thread that gets here first
    __atomic_store_n(&literalsKnown, 1, __ATOMIC_RELEASE);
  }
  const auto address = reinterpret_cast<__UINTPTR_TYPE__>(name);
  return address >= literals.start && address < literals.end;
}

template <class Lookup>
const void* find(Table& table, const char* name, Lookup lookup) {
  if (!isLiteral(name)) return lookup(name);
  const auto address = static_cast<unsigned>(reinterpret_cast<__UINTPTR_TYPE__>(name));
  for (unsigned probe = 0, i = (address * 2654435761u) >> 22; probe < kSlots; ++probe, i = (i + 1) & (kSlots - 1)) {
    Slot& slot = table.slots[i];
    const int state = __atomic_load_n(&slot.state, __ATOMIC_ACQUIRE);
    if (state == 2) {
      if (slot.name == name) return slot.value;
      continue;
    }
    if (state == 1) continue;  // another thread is filling it: look further, or ask
    const void* value = lookup(name);
    if (!value) return value;
    int expected = 0;
    if (__atomic_compare_exchange_n(&slot.state, &expected, 1, false, __ATOMIC_ACQUIRE, __ATOMIC_RELAXED)) {
      slot.name = name;
      slot.value = value;
      __atomic_store_n(&slot.state, 2, __ATOMIC_RELEASE);
    }
    return value;
  }
  return lookup(name);
}

}  // namespace name_cache

inline SEL sel(const char* name) {
  return static_cast<SEL>(name_cache::find(name_cache::selectors, name, [](const char* n) -> const void* {
    return sel_registerName(n);
  }));
}

// objc_getClass, each name looked up once it is found.
inline Class classNamed(const char* name) {
  return static_cast<Class>(const_cast<void*>(name_cache::find(name_cache::classes, name, [](const char* n) -> const void* {
    return objc_getClass(n);
  })));
}

// ---- typed message sends ------------------------------------------------------
class StrongId;

namespace device_abi {

// Object pointers of either kind, strong references and nil travel as id.
template <class T>
struct Arg {
  using type = T;
};
template <>
struct Arg<decltype(nullptr)> {
  using type = id;
};
template <>
struct Arg<Class> {
  using type = id;
};
template <>
struct Arg<StrongId> {
  using type = id;
};

// Whether the processor returns a value of type R through memory the caller
// provides in the first argument register, so that the send must go
// through objc_msgSend_stret. On 32-bit ARM that is any structure larger
// than 4 bytes (CGSize, CGRect). arm64 passes that address in a register of
// its own (x8), which objc_msgSend leaves alone: it has no stret entry point.
template <class R>
constexpr bool returnedInMemory() {
#if defined(__arm__)
  if constexpr (__is_class(R)) return sizeof(R) > 4;
#endif
  return false;
}

template <class R, class... A>
R send(id self, SEL cmd, A... args) {
  using Fn = R (*)(id, SEL, A...);
#if defined(__arm__)
  if constexpr (returnedInMemory<R>()) return reinterpret_cast<Fn>(objc_msgSend_stret)(self, cmd, args...);
  else
#endif
    return reinterpret_cast<Fn>(objc_msgSend)(self, cmd, args...);
}

}  // namespace device_abi

// msgSend<R>(receiver, selector, args...): [receiver selector args...] with
// the C++ signature R(id, SEL, args...). Messaging nil returns a zero R
// without sending: the runtime zeroes registers for nil, but leaves a
// structure returned through memory untouched.
template <class R, class... A>
R msgSend(id self, SEL cmd, A... args) {
  if (!self) return R();
  return device_abi::send<R, typename device_abi::Arg<A>::type...>(self, cmd, args...);
}

template <class R, class... A>
R msgSend(id self, const char* name, A... args) {
  return msgSend<R, A...>(self, sel(name), args...);
}

// Calls a saved implementation through the signature of the replacement
// that holds it.
template <class R, class... A>
R callImplementation(IMP imp, id self, SEL cmd, A... args) {
  return reinterpret_cast<R (*)(id, SEL, A...)>(imp)(self, cmd, args...);
}

template <class R, class... A>
IMP implementationOf(R (*fn)(id, SEL, A...)) {
  return reinterpret_cast<IMP>(fn);
}

// [[cls alloc] init]: +1.
inline id objc_new(Class cls) { return msgSend<id>(msgSend<id>(cls, "alloc"), "init"); }

// ---- ownership ------------------------------------------------------------------
// A strong reference: holds one retain; storing a new value retains it, then
// releases the old one. Constant-initialised, so a process-wide one needs no
// initialiser; the build also drops exit-time destructors, since the
// process-wide values live as long as SpringBoard.
class StrongId {
 public:
  constexpr StrongId() = default;
  constexpr StrongId(decltype(nullptr)) {}
  explicit StrongId(id obj) : obj_(obj) { objc_retain(obj_); }
  StrongId(const StrongId& other) : obj_(other.obj_) { objc_retain(obj_); }
  StrongId(StrongId&& other) : obj_(other.obj_) { other.obj_ = nullptr; }
  ~StrongId() { objc_release(obj_); }

  StrongId& operator=(const StrongId& other) {
    store(other.obj_);
    return *this;
  }
  StrongId& operator=(StrongId&& other) {
    if (this != &other) {
      id old = obj_;
      obj_ = other.obj_;
      other.obj_ = nullptr;
      objc_release(old);
    }
    return *this;
  }

  void store(id obj) {
    objc_retain(obj);
    id old = obj_;
    obj_ = obj;
    objc_release(old);
  }
  // Takes over a reference the caller owns (a +1 from alloc/init).
  void adopt(id obj) {
    id old = obj_;
    obj_ = obj;
    objc_release(old);
  }
  static StrongId adopting(id obj) {
    StrongId s;
    s.obj_ = obj;
    return s;
  }

  id get() const { return obj_; }
  operator id() const { return obj_; }
  explicit operator bool() const { return obj_ != nullptr; }

 private:
  id obj_ = nullptr;
};

// A scope holding one autorelease pool, through the runtime's own entry
// points.
class AutoreleasePool {
 public:
  AutoreleasePool() : token_(objc_autoreleasePoolPush()) {}
  ~AutoreleasePool() { objc_autoreleasePoolPop(token_); }
  AutoreleasePool(const AutoreleasePool&) = delete;
  AutoreleasePool& operator=(const AutoreleasePool&) = delete;

 private:
  void* token_;
};
