// Class, selector, method and ivar registries.
//
// Every table sits behind one reader/writer lock: methods are added and
// replaced while the process starts (and while the loader hooks), then read
// on every message from any thread.
#include <algorithm>
#include <cxxabi.h>

#include <cstdio>
#include <cstdlib>
#include <atomic>
#include <map>
#include <memory>
#include <cstring>
#include <mutex>
#include <shared_mutex>
#include <sstream>
#include <unordered_map>

#include "runtime/address_cache.h"
#include "runtime/images.h"
#include "runtime/literal_text.h"
#include "runtime/method_cache.h"
#include "runtime/message.h"
#include "runtime/method_types.h"
#include "runtime/objc_class.h"
#include "runtime/thread_owned.h"

namespace {

struct Registry {
  std::shared_mutex lock;
  std::unordered_map<std::string, std::unique_ptr<objc_selector>, NameHash, std::equal_to<>> selectors;
  std::unordered_map<std::string, Class, NameHash, std::equal_to<>> classes;
};

Registry& registry() {
  static Registry* r = new Registry;  // lives as long as the process
  return *r;
}

const objc_method* findOwn(Class cls, SEL name) {
  auto it = cls->methods.find(name);
  return it == cls->methods.end() ? nullptr : &it->second;
}

const objc_method* findAlongChain(Class cls, SEL name) {
  for (Class c = cls; c; c = c->superclass)
    if (const objc_method* m = findOwn(c, name)) return m;
  return nullptr;
}

}  // namespace

void objc_raise(const std::string& name, const std::string& reason) {
  std::fprintf(stderr, "*** Terminating app due to uncaught exception '%s', reason: '%s'\n", name.c_str(),
               reason.c_str());
  throw ObjCException(name, reason);
}

namespace {

// Bumped by every change to a method table; a class's method cache is good
// only for the generation it was filled in.
std::atomic<unsigned long> gMethodsGeneration{0};

// A literal's selector, by the literal's address: one slot per address
// hash, a newcomer replacing whatever held its slot.
struct LiteralSelector {
  const char* text = nullptr;
  SEL sel = nullptr;
};
constexpr std::size_t kLiteralSlots = 512;

// Per thread, so names are found without a lock once a thread has met them.
struct LookupCache {
  // Messages by name mostly name a literal; this answers them with one load
  // and one compare before the general table below.
  LiteralSelector literals[kLiteralSlots];
  AddressCache<const char*, standin::ByAddress<SEL>> selectorsByAddress;
  AddressCache<const char*, standin::ByAddress<Class>> classesByAddress;  // found ones only: classes are never removed
};
// The cache goes when its thread ends; names looked up after that (by the
// destructors of statics, which run after the main thread's thread-locals)
// take the locked path.
inline LookupCache* namesCache() { return ThreadOwned<LookupCache>::get(); }

void methodsChanged() { gMethodsGeneration.fetch_add(1, std::memory_order_acq_rel); }

// objc4's __sel_registerName answers no selector for no name.
SEL internSelector(const char* name) {
  if (!name) return nullptr;
  Registry& r = registry();
  {
    std::shared_lock read(r.lock);
    auto it = r.selectors.find(std::string_view(name));
    if (it != r.selectors.end()) return it->second.get();
  }
  std::unique_lock write(r.lock);
  auto& slot = r.selectors[name];
  if (!slot) slot = std::make_unique<objc_selector>(objc_selector{name});
  return slot.get();
}

LiteralSelector& literalSlot(LookupCache* cache, const char* name) {
  return cache->literals[(reinterpret_cast<std::uintptr_t>(name) >> 3) % kLiteralSlots];
}

// Most names are literals, met again at the same address: remember them by
// address, checking the text in case a buffer was reused for another name.
[[gnu::noinline]] SEL registerNameByAddress(LookupCache* cache, const char* name) {
  if (!cache || !name) return internSelector(name);
  LiteralSelector& literal = literalSlot(cache, name);
  auto& byAddress = cache->selectorsByAddress;
  const standin::ByAddress<SEL>* known = byAddress.find(name);
  if (!known || !(known->fixedText || std::strcmp(known->value->name.c_str(), name) == 0)) {
    byAddress.insert(name, standin::ByAddress<SEL>{internSelector(name), standin::inReadOnlySegment(name)});
    known = byAddress.find(name);
  }
  if (known->fixedText) literal = LiteralSelector{name, known->value};
  return known->value;
}

}  // namespace

// A literal met before is answered from its slot; the rest is kept out of
// line so this path saves no registers.
SEL sel_registerName(const char* name) {
  LookupCache* cache = namesCache();
  if (cache && name)
    if (const LiteralSelector& literal = literalSlot(cache, name); literal.text == name) return literal.sel;
  return registerNameByAddress(cache, name);
}

const char* sel_getName(SEL sel) { return sel ? sel->name.c_str() : "<null selector>"; }

namespace {

Class findClass(const char* name) {
  Registry& r = registry();
  std::shared_lock read(r.lock);
  auto it = r.classes.find(std::string_view(name));
  return it == r.classes.end() ? nil : it->second;
}

// Remembered by address as selectors are; a name not yet registered is
// looked up again next time.
Class lookUpClass(const char* name) {
  LookupCache* cache = namesCache();
  if (!cache) return findClass(name);
  auto& byAddress = cache->classesByAddress;
  if (const standin::ByAddress<Class>* known = byAddress.find(name);
      known && (known->fixedText || std::strcmp(known->value->name.c_str(), name) == 0))
    return known->value;
  Class found = findClass(name);
  if (found) byAddress.insert(name, standin::ByAddress<Class>{found, standin::inReadOnlySegment(name)});
  return found;
}

}  // namespace

// A class of an image the current process has not loaded is not there
// (images.h).
Class objc_getClass(const char* name) {
  if (!name) return nil;
  Class found = lookUpClass(name);
  // Outside any process's scope every image counts as loaded: the class's
  // image name, far into the class object, is not read then.
  if (!found || !objc_currentProcess()) return found;
  return objc_imageIsLoaded(class_getImageName(found)) ? found : nil;
}

Class objc_allocateClassPair(Class superclass, const char* name, ObjectFactory factory) {
  if (!name || lookUpClass(name)) return nil;
  Class meta = new objc_class;
  Class cls = new objc_class;
  meta->name = name;
  meta->meta = true;
  cls->name = name;
  cls->isa = meta;
  cls->superclass = superclass;
  cls->factory = std::move(factory);
  cls->image = objc_definingImage();
  // A root class's metaclass inherits from the root class itself, so class
  // objects answer the root's instance methods (respondsToSelector:, ...).
  meta->superclass = superclass ? superclass->isa : cls;
  meta->isa = superclass ? superclass->isa->isa : meta;
  if (!cls->factory && superclass) cls->factory = superclass->factory;
  return cls;
}

void objc_registerClassPair(Class cls) {
  if (!cls) return;
  Registry& r = registry();
  std::unique_lock write(r.lock);
  r.classes.emplace(cls->name, cls);
}

Class object_getClass(id obj) { return obj ? obj->isa : nil; }
const char* class_getName(Class cls) { return cls ? cls->name.c_str() : "nil"; }
Class class_getSuperclass(Class cls) { return cls ? cls->superclass : nil; }
bool class_isMetaClass(Class cls) { return cls && cls->meta; }

bool class_isSubclassOf(Class cls, Class ancestor) {
  for (Class c = cls; c; c = c->superclass)
    if (c == ancestor) return true;
  return false;
}

namespace {

std::atomic<MethodAddedHandler> gMethodAddedHandler{nullptr};
using objc_detail::checkGivenEncoding;
using objc_detail::methodOf;
using objc_detail::reportedEncoding;

bool addMethod(Class cls, SEL name, IMP imp, const char* given) {
  if (!cls || !name || !imp) return false;
  checkGivenEncoding(cls, name, imp, given);
  bool added;
  const char* types;
  {
    std::unique_lock write(registry().lock);
    auto [it, fresh] = cls->methods.emplace(name, methodOf(imp, given));
    added = fresh;
    types = reportedEncoding(it->second);
    methodsChanged();
  }
  if (MethodAddedHandler handler = gMethodAddedHandler.load(); handler && added) handler(cls, name, imp, types);
  return added;
}

}  // namespace

void objc_setMethodAddedHandler(MethodAddedHandler handler) { gMethodAddedHandler.store(handler); }

bool class_addMethod(Class cls, SEL name, IMP imp) { return addMethod(cls, name, imp, nullptr); }

bool class_addMethod(Class cls, SEL name, IMP imp, const char* types) {
  // objc4 asserts that there is a text; a null one is taken as none given.
  return addMethod(cls, name, imp, types);
}

bool class_addClassMethod(Class cls, SEL name, IMP imp) { return cls && class_addMethod(cls->isa, name, imp); }

IMP class_replaceMethod(Class cls, SEL name, IMP imp, const char* types) {
  if (!cls || !name) return nil;
  std::unique_lock write(registry().lock);
  methodsChanged();
  auto it = cls->methods.find(name);
  if (it == cls->methods.end()) {
    cls->methods.emplace(name, methodOf(imp, types));
    return nil;
  }
  IMP previous = it->second.imp;
  it->second.imp = imp;
  return previous;
}

IMP class_getOwnMethodImplementation(Class cls, SEL name) {
  if (!cls) return nil;
  std::shared_lock read(registry().lock);
  const objc_method* m = findOwn(cls, name);
  return m ? m->imp : nil;
}

namespace {

[[gnu::noinline]] const IMP& lookUpAndRemember(Class cls, SEL name, unsigned long generation) {
  IMP imp;
  {
    std::shared_lock read(registry().lock);
    const objc_method* m = findAlongChain(cls, name);
    imp = m ? m->imp : nil;
  }
  return methodCacheFill(cls->methodCache, name, generation, imp);
}

}  // namespace

// The generation is read before the tables: an answer found while they
// change is remembered as of the older generation, and found stale next time.
const IMP& objc_msgLookup(Class cls, SEL name) {
  static const IMP none;
  if (!cls) return none;
  const unsigned long now = gMethodsGeneration.load(std::memory_order_acquire);
  if (const IMP* known = MethodCache::find(cls->methodCache.load(std::memory_order_acquire), name, now)) return *known;
  return lookUpAndRemember(cls, name, now);
}

IMP class_lookupMethod(Class cls, SEL name) { return objc_msgLookup(cls, name); }

const char* class_getMethodTypeEncoding(Class cls, SEL name) {
  if (!cls) return nullptr;
  std::shared_lock read(registry().lock);
  const objc_method* m = findAlongChain(cls, name);
  return m ? reportedEncoding(*m) : nullptr;
}

bool class_respondsToSelector(Class cls, SEL name) { return static_cast<bool>(class_lookupMethod(cls, name)); }

bool class_registerIvar(Class cls, const char* name, std::ptrdiff_t offset, const char* types) {
  if (!cls || !name) return false;
  std::unique_lock write(registry().lock);
  return cls->ivars.emplace(name, objc_ivar{name, offset, types ? types : ""}).second;
}

Ivar class_getInstanceVariable(Class cls, const char* name) {
  if (!name) return nullptr;
  std::shared_lock read(registry().lock);
  for (Class c = cls; c; c = c->superclass) {
    auto it = c->ivars.find(std::string_view(name));
    if (it != c->ivars.end()) return &it->second;
  }
  return nullptr;
}

std::vector<SEL> class_copyMethodList(Class cls) {
  std::vector<SEL> list;
  if (!cls) return list;
  std::shared_lock read(registry().lock);
  for (const auto& [name, method] : cls->methods) list.push_back(name);
  std::sort(list.begin(), list.end(), [](SEL a, SEL b) { return a->name < b->name; });
  return list;
}

std::vector<Ivar> class_copyIvarList(Class cls) {
  std::vector<Ivar> list;
  if (!cls) return list;
  std::shared_lock read(registry().lock);
  for (const auto& [name, ivar] : cls->ivars) list.push_back(&ivar);
  std::sort(list.begin(), list.end(), [](Ivar a, Ivar b) { return a->offset < b->offset; });
  return list;
}

std::ptrdiff_t ivar_getOffset(Ivar ivar) { return ivar ? ivar->offset : 0; }
const char* ivar_getName(Ivar ivar) { return ivar ? ivar->name.c_str() : nullptr; }
const char* ivar_getTypeEncoding(Ivar ivar) { return ivar ? ivar->types.c_str() : nullptr; }

const std::type_info* objc_canonicalSignature(const std::type_info& type) {
  // Names live as long as the process: modules are never unloaded.
  static std::mutex lock;
  static auto* byName = new std::unordered_map<std::string_view, const std::type_info*>;
  std::lock_guard hold(lock);
  return byName->try_emplace(type.name(), &type).first->second;
}

namespace objc_detail {

namespace {
// "void (*)(objc_object*, objc_selector const*, double)" rather than the
// mangled name.
std::string readable(const std::type_info& type) {
  int status = 0;
  char* name = abi::__cxa_demangle(type.name(), nullptr, nullptr, &status);
  std::string out = status == 0 && name ? name : type.name();
  std::free(name);
  return out;
}

std::string describeReceiver(id receiver) {
  std::ostringstream out;
  Class cls = receiver->isa;
  out << (cls->meta ? "+[" : "-[") << cls->name;
  return out.str();
}
}  // namespace

void unrecognizedSelector(id receiver, SEL sel) {
  std::ostringstream reason;
  reason << describeReceiver(receiver) << " " << sel_getName(sel) << "]: unrecognized selector sent to "
         << (receiver->isa->meta ? "class " : "instance ") << static_cast<const void*>(receiver);
  objc_raise("NSInvalidArgumentException", reason.str());
}

void signatureMismatch(id receiver, SEL sel, const std::type_info& expected, const std::type_info& called) {
  std::ostringstream reason;
  reason << describeReceiver(receiver) << " " << sel_getName(sel) << "]: called as " << readable(called)
         << " but implemented as " << readable(expected);
  objc_raise("NSInvalidArgumentException", reason.str());
}

}  // namespace objc_detail
