// The device's object runtime and CydiaSubstrate, declared from their public
// C interface: only the calls the library makes. Every function here is
// imported from libobjc or CydiaSubstrate; nothing is implemented locally
// beyond typed casts of the message-send entry points and the memo of
// selectors and classes by name (names.cc).
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
// own headers define them: 64-bit ARM has a real bool, long words and double
// lengths; 32-bit ARM a signed char, int words (NSObjCRuntime.h: long only
// where __LP64__) and float lengths. The same size either way, but the type
// is what a method's derived encoding reads ("q", "i").
#if defined(__LP64__)
using BOOL = bool;
using CGFloat = double;
using NSInteger = long;
using NSUInteger = unsigned long;
#else
using BOOL = signed char;
using CGFloat = float;
using NSInteger = int;
using NSUInteger = unsigned int;
#endif

static_assert(sizeof(void*) == 8 || sizeof(void*) == 4, "a 32- or 64-bit ARM device");
static_assert(sizeof(CGFloat) == sizeof(void*), "CGFloat is double on 64-bit processors and float on 32-bit ones");
static_assert(sizeof(NSInteger) == sizeof(void*), "NSInteger is the machine word");

inline constexpr BOOL YES = true;
inline constexpr BOOL NO = false;
#define nil nullptr

// A block argument for which the library passes none: nil, an object
// pointer like every block.
using NoArgumentBlock = id;

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

// sel_registerName and objc_getClass, each name written in the library's
// source looked up once (names.cc).
SEL sel(const char* name);
Class classNamed(const char* name);

// ---- typed message sends ------------------------------------------------------
class StrongId;

namespace ios_abi {

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
  if constexpr (returnedInMemory<R>())
    return reinterpret_cast<Fn>(objc_msgSend_stret)(self, cmd, args...);
  else
#endif
    return reinterpret_cast<Fn>(objc_msgSend)(self, cmd, args...);
}

}  // namespace ios_abi

// msgSend<R>(receiver, selector, args...): [receiver selector args...] with
// the C++ signature R(id, SEL, args...). Messaging nil returns a zero R
// without sending: the runtime zeroes registers for nil, but leaves a
// structure returned through memory untouched.
template <class R, class... A>
R msgSend(id self, SEL cmd, A... args) {
  if (!self) return R();
  return ios_abi::send<R, typename ios_abi::Arg<A>::type...>(self, cmd, args...);
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
