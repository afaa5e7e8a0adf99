// The object runtime: classes, selectors, methods and instance variables,
// with the C interface of the device's runtime (objc_getClass,
// class_addMethod, object_getClass, ivar_getOffset, ...).
//
// Objects are C++ objects derived from objc_object. A class records its
// superclass, its instance methods (class methods live on its metaclass),
// its instance variables by name and a factory that `alloc` uses.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <typeinfo>
#include <vector>

#include "runtime/type_encoding.h"

struct objc_object;
struct objc_class;
struct objc_ivar;

// An interned selector: one per name, compared by address.
struct objc_selector {
  std::string name;
};

using id = objc_object*;
using Class = objc_class*;
using SEL = const objc_selector*;
using Ivar = const objc_ivar*;
using BOOL = bool;
using NSInteger = long;
using NSUInteger = unsigned long;
using CGFloat = double;  // the length type of a 64-bit device

inline constexpr BOOL YES = true;
inline constexpr BOOL NO = false;
#define nil nullptr

// The one type_info the process uses for a type's name. Each shared object
// may hold its own copy of a type's type_info, and comparing copies compares
// their names; implementations and callers both use this one, so a message
// checks its signature with one pointer compare.
const std::type_info* objc_canonicalSignature(const std::type_info& type);

template <class Fn>
[[gnu::always_inline]] inline const std::type_info* objc_signatureOf() {
  static const std::type_info* const canonical = objc_canonicalSignature(typeid(Fn));
  return canonical;
}

// An implementation: a function pointer together with the C++ signature it
// was made from, so a call through the wrong signature is caught instead of
// corrupting the stack as it would on a device, and that signature's type
// encoding (see type_encoding.h), for callers that are not C++.
struct IMP {
  void (*fn)() = nullptr;
  const std::type_info* signature = nullptr;
  const char* types = nullptr;
  // The positions of `types` that are real doubles, not CGFloats (see
  // objc_realDoublesOf): the device's encoding says "d" for both.
  std::uint64_t realDoubles = 0;

  IMP() = default;
  IMP(std::nullptr_t) {}
  template <class R, class... A>
  IMP(R (*f)(id, SEL, A...))
      : fn(reinterpret_cast<void (*)()>(f)),
        signature(objc_signatureOf<R (*)(id, SEL, A...)>()),
        types(objc_encodeMethod<R, A...>()),
        realDoubles(objc_realDoublesOf<R, id, SEL, A...>()) {}

  explicit operator bool() const { return fn != nullptr; }
  friend bool operator==(const IMP& a, const IMP& b) { return a.fn == b.fn; }
};

// Raised where the device's runtime raises an exception (and, uncaught,
// takes SpringBoard down): an unknown selector, a signature mismatch, an
// index out of range.
class ObjCException : public std::runtime_error {
 public:
  ObjCException(std::string name, const std::string& reason)
      : std::runtime_error(name + ": " + reason), name_(std::move(name)) {}
  const std::string& name() const { return name_; }

 private:
  std::string name_;
};
[[noreturn]] void objc_raise(const std::string& name, const std::string& reason);

struct objc_object {
  Class isa = nullptr;
  std::atomic<long> retainCount{1};

  objc_object() = default;
  objc_object(const objc_object&) = delete;
  objc_object& operator=(const objc_object&) = delete;
  virtual ~objc_object() = default;

  // Small objects' blocks are kept per thread for reuse (object_memory.cc).
  // The deleting destructor passes the size of the object's own type.
  static void* operator new(std::size_t size);
  static void operator delete(void* memory, std::size_t size);
};

// Makes a fresh, uninitialised instance for `alloc`.
using ObjectFactory = std::function<objc_object*()>;

// ---- selectors --------------------------------------------------------------
SEL sel_registerName(const char* name);
const char* sel_getName(SEL sel);
// Shorthand used throughout: the interned selector for a name.
inline SEL sel(const char* name) { return sel_registerName(name); }

// ---- classes ----------------------------------------------------------------
Class objc_getClass(const char* name);  // nil for an unknown name
Class objc_allocateClassPair(Class superclass, const char* name, ObjectFactory factory = nullptr);
void objc_registerClassPair(Class cls);
Class object_getClass(id obj);  // nil for nil
const char* class_getName(Class cls);
Class class_getSuperclass(Class cls);
bool class_isMetaClass(Class cls);
bool class_isSubclassOf(Class cls, Class ancestor);  // true for cls itself

// Adds an instance method; false when the class itself already has one for
// the selector (an inherited one does not count). Its type encoding is its
// implementation's own, derived from the C++ type (type_encoding.h), and
// reported as the device's compiler writes it for the simulated slice.
bool class_addMethod(Class cls, SEL name, IMP imp);
// The device's form, for a module's own methods: `types` is reported as
// given, as objc4's addMethod (objc-runtime-new.mm) keeps the caller's text.
// Where the device would keep a text that lies about the implementation, this
// raises: the text, without offsets and qualifiers, must be the
// implementation's own encoding for the simulated slice.
bool class_addMethod(Class cls, SEL name, IMP imp, const char* types);
// Told of each class_addMethod call that added a method, after the add: a
// loader's tracing tool learns what a module adds while it loads. Adding
// methods happens while classes are set up and modules load, so this costs
// nothing per message. Null stops it.
using MethodAddedHandler = void (*)(Class cls, SEL name, IMP imp, const char* types);
void objc_setMethodAddedHandler(MethodAddedHandler handler);
bool class_addClassMethod(Class cls, SEL name, IMP imp);
// Replaces or adds; returns the class's own previous implementation or nil.
// A replaced method keeps its encoding, as on the device; an added one is
// given `types`, or its implementation's own when `types` is null.
IMP class_replaceMethod(Class cls, SEL name, IMP imp, const char* types);
// The selectors of the class's own methods (not inherited ones), by name;
// a metaclass's are the class methods.
std::vector<SEL> class_copyMethodList(Class cls);
// The class's own implementation of the selector, or nil (inherited ones not).
IMP class_getOwnMethodImplementation(Class cls, SEL name);
// The implementation found along the class chain, or nil.
IMP class_lookupMethod(Class cls, SEL name);
// The same for a message about to be sent, without a copy: the answer lives
// in the calling thread's cache and holds until that thread's next lookup.
const IMP& objc_msgLookup(Class cls, SEL name);
const char* class_getMethodTypeEncoding(Class cls, SEL name);  // along the chain

// The slice of the device's binary the process stands for: the encodings
// the runtime reports are the ones the device's compiler writes for it. A
// process of this host is LP64, as the arm64 slice is, and that is the
// answer until a loader that runs a 32-bit slice says otherwise, before the
// slice's code runs.
void setSimulatedSlice(DeviceSlice slice);
DeviceSlice simulatedSlice();
bool class_respondsToSelector(Class cls, SEL name);

// Instance variables. The simulated frameworks declare the fields of their
// C++ object structs under the names the device's classes use.
bool class_registerIvar(Class cls, const char* name, std::ptrdiff_t offset, const char* types);
Ivar class_getInstanceVariable(Class cls, const char* name);  // along the chain
// The class's own instance variables (not inherited ones), by offset.
std::vector<Ivar> class_copyIvarList(Class cls);
std::ptrdiff_t ivar_getOffset(Ivar ivar);
const char* ivar_getName(Ivar ivar);
const char* ivar_getTypeEncoding(Ivar ivar);

// ---- memory -------------------------------------------------------------------
id objc_retain(id obj);
void objc_release(id obj);
id objc_autorelease(id obj);
long objc_retainCount(id obj);
// Told of each object just before its last release deallocates it, so that
// one who keeps a name for the object (a module run under emulation) lets
// the name go. Null stops it.
using DeallocHandler = void (*)(id obj);
void objc_setDeallocHandler(DeallocHandler handler);

// Registers a class whose instances are the C++ type T.
template <class T>
Class objc_defineClass(Class superclass, const char* name) {
  Class cls = objc_allocateClassPair(superclass, name, [] { return static_cast<objc_object*>(new T()); });
  objc_registerClassPair(cls);
  return cls;
}

// Declares T::member as the instance variable `name` of cls. offsetof on a
// polymorphic struct is what the device's compiler does for an ivar too; GCC
// computes it correctly for single, non-virtual inheritance.
#define OBJC_IVAR(cls, T, member, types)                                                    \
  do {                                                                                      \
    _Pragma("GCC diagnostic push") _Pragma("GCC diagnostic ignored \"-Winvalid-offsetof\"") \
        class_registerIvar((cls), #member, offsetof(T, member), (types));                   \
    _Pragma("GCC diagnostic pop")                                                           \
  } while (0)

// Complete so that a Class converts to id, as class objects are objects.
#include "runtime/objc_class.h"
