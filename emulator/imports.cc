#include "imports.h"
#include "lazy_binding.h"

#include <atomic>
#include <cmath>
#include <set>
#include <cstring>
#include <map>
#include <tuple>
#include <mutex>
#include <stdexcept>
#include <unordered_map>

#include "bridge.h"
#include "coregraphics/CGContext.h"
#include "coregraphics/CGGeometry.h"
#include "dispatch/dispatch.h"
#include "file_imports.h"
#include "foundation/NSData.h"
#include "foundation/NSLog.h"
#include "foundation/NSString.h"
#include "foundation/device.h"
#include "machine.h"
#include "runtime/autorelease.h"
#include "runtime/message.h"
#include "substrate/substrate.h"
#include "uikit/UIGraphics.h"

namespace emu {
namespace {

constexpr const char* kLibobjc = "/usr/lib/libobjc.A.dylib";
constexpr const char* kLibSystem = "/usr/lib/libSystem.B.dylib";
constexpr const char* kSubstrate = "/Library/Frameworks/CydiaSubstrate.framework/CydiaSubstrate";
constexpr const char* kFoundation = "/System/Library/Frameworks/Foundation.framework/Foundation";
constexpr const char* kCoreFoundation = "/System/Library/Frameworks/CoreFoundation.framework/CoreFoundation";
constexpr const char* kCoreGraphics = "/System/Library/Frameworks/CoreGraphics.framework/CoreGraphics";
constexpr const char* kUIKit = "/System/Library/Frameworks/UIKit.framework/UIKit";

// How one import comes to exist in the guest: a trap slot or data.
using Maker = std::uint64_t (*)(Machine&, const std::string& symbol);

// ---- functions called through their own C signature -----------------------------

template <auto Function>
struct Typed;
template <class R, class... A, R (*Function)(A...)>
struct Typed<Function> {
  static std::uint64_t make(Machine& machine, const std::string& symbol) {
    const HostCall* call = &hostCallFor(objc_encodeFunction<R, A...>(), objc_realDoublesOf<R, A...>());
    return machine.addTrap(symbol, [call](Cpu& cpu) { callHost(cpu, reinterpret_cast<void (*)()>(Function), *call); });
  }
};

// ---- the runtime's entry points that need the guest's view --------------------


std::atomic<bool> gRecording{false};
std::mutex gRecordLock;
std::set<std::pair<Class, SEL>> gRecorded;

// objc_msgSend and objc_msgSend_stret: the method found as the stand-in
// runtime finds it, called with libffi by its implementation's own encoding.
// objc_msgSendSuper passes, in place of the receiver, the address of an
// objc_super {receiver, class to start the lookup from}; the implementation
// is called with the receiver itself.
void sendMessage(Cpu& cpu, bool stret, bool toSuper = false) {
  Machine& m = cpu.machine();
  const unsigned first = stret ? 1 : 0;
  Class lookupFrom = nil;
  if (toSuper) {
    const unsigned word = guestPointerSize(m.arch());
    std::uint64_t super = cpu.intReg(first);
    std::uint64_t receiver = m.memory().readWord(super, word);
    lookupFrom = static_cast<Class>(m.handles().toHost(m.memory().readWord(super + word, word)));
    cpu.setIntReg(first, receiver);
  }
  id self = m.handles().toHost(cpu.intReg(first));
  SEL selector = m.handles().selectorToHost(cpu.intReg(first + 1));
  if (m.countingCallees()) m.addCalleeCall(std::string(toSuper ? "[super " : "[") + sel_getName(selector) + "]");
  if (!lookupFrom && self) lookupFrom = object_getClass(self);
  if (!self) {
    // Messaging nil answers zero in every result register; a result in
    // memory is left as it was.
    for (unsigned r = 0; r < (cpu.arch() == Arch::Arm64 ? 1u : 2u); ++r) cpu.setIntReg(r, 0);
    if (cpu.arch() == Arch::Arm64)
      for (unsigned d = 0; d < 4; ++d) cpu.setFpReg(d, 8, 0);
    return;
  }
  if (selector == sel("bytes") && NSIsData(self)) {
    // The guest reads data's bytes itself (a pane writing a file): a copy in
    // its own memory, kept while the call that asked runs, as a C string is.
    const auto& bytes = static_cast<NSDataObj*>(self)->bytes;
    std::uint64_t copy = bytes.empty() ? 0 : m.memory().copyIn(bytes.data(), bytes.size());
    if (copy) cpu.keepUntilReturn(copy);
    cpu.setIntReg(first, copy);
    return;
  }
  IMP imp = class_lookupMethod(lookupFrom, selector);
  if (!imp) objc_detail::unrecognizedSelector(self, selector);
  if (gRecording.load(std::memory_order_relaxed)) {
    std::lock_guard guard(gRecordLock);
    gRecorded.emplace(object_getClass(self), selector);
  }
  if (!imp.types) throw std::runtime_error(std::string("-[") + class_getName(object_getClass(self)) + " " +
                                           sel_getName(selector) + "] has no type encoding to call it by");
  const HostCall& call = hostCallFor(imp.types, imp.realDoubles);
  if (resultInMemory(cpu.arch(), call.signature.result()) != stret)
    throw std::runtime_error(std::string("-[") + class_getName(object_getClass(self)) + " " + sel_getName(selector) +
                             "] sent through " + (stret ? "objc_msgSend_stret" : "objc_msgSend") +
                             ", which its result type does not take");
  callHost(cpu, imp.fn, call);
}

std::uint64_t msgSendTrap(Machine& machine, const std::string& symbol) {
  return machine.addTrap(symbol, [](Cpu& cpu) { sendMessage(cpu, false); });
}

std::uint64_t msgSendStretTrap(Machine& machine, const std::string& symbol) {
  return machine.addTrap(symbol, [](Cpu& cpu) { sendMessage(cpu, true); });
}

std::uint64_t msgSendSuperTrap(Machine& machine, const std::string& symbol) {
  return machine.addTrap(symbol, [](Cpu& cpu) { sendMessage(cpu, false, true); });
}

// A class made at run time: the stand-in's instances come from the
// superclass's factory, so the extra bytes a device would add are not needed.
Class allocateClassPair(Class superclass, const char* name, unsigned long) {
  return objc_allocateClassPair(superclass, name);
}

// ---- the C library's memory and the stack protector ---------------------------

std::uint64_t memcpyTrap(Machine& machine, const std::string& symbol) {
  return machine.addTrap(symbol, [](Cpu& cpu) {
    GuestMemory& memory = cpu.machine().memory();
    std::uint64_t to = cpu.intReg(0), from = cpu.intReg(1), length = cpu.intReg(2);
    const std::uint8_t* source = memory.host(from, length);
    std::uint8_t* target = memory.host(to, length);
    if (length && (!source || !target)) throw GuestFault("memcpy outside the guest's memory");
    if (length) std::memmove(target, source, length);
  });
}

unsigned long lengthOf(const char* text) { return std::strlen(text); }

std::uint64_t stackGuardData(Machine& machine, const std::string&) {
  const std::uint64_t canary = 0x5a17c0de5a17c0deull;
  return machine.memory().copyIn(&canary, sizeof canary);
}

std::uint64_t stackCheckFailTrap(Machine& machine, const std::string& symbol) {
  return machine.addTrap(symbol, [](Cpu& cpu) -> void {
    throw GuestFault("stack smashing detected in " + cpu.machine().symbolize(cpu.lr()));
  });
}

// Type encodings a guest may give class_addMethod, with the C++ signature a
// host caller of that method uses.
struct KnownSignature {
  const char* types;
  std::uint64_t realDoubles;
  const std::type_info* signature;
};
template <class R, class... A>
KnownSignature knownSignature() {
  return {objc_encodeMethod<R, A...>(), objc_realDoublesOf<R, id, SEL, A...>(), &typeid(R (*)(id, SEL, A...))};
}
const KnownSignature* signatureForTypes(const std::string& guestTypes) {
  // The last three are a settings pane's: a specifier getter, a setter, a
  // table view's cell.
  static const std::vector<KnownSignature> known{knownSignature<void>(),         knownSignature<id>(),
                                                 knownSignature<BOOL>(),         knownSignature<void, id>(),
                                                 knownSignature<id, id>(),       knownSignature<void, id, id>(),
                                                 knownSignature<id, id, id>()};
  std::string plain;
  for (char c : guestTypes)
    if (!std::isdigit(static_cast<unsigned char>(c))) plain += c;
  for (const KnownSignature& k : known)
    if (plain == k.types) return &k;
  return nullptr;
}

std::uint64_t addMethodTrap(Machine& machine, const std::string& symbol) {
  return machine.addTrap(symbol, [](Cpu& cpu) {
    Machine& m = cpu.machine();
    Class cls = static_cast<Class>(m.handles().toHost(cpu.intReg(0)));
    SEL selector = m.handles().selectorToHost(cpu.intReg(1));
    std::uint64_t guestImp = cpu.intReg(2);
    std::string types = cpu.intReg(3) ? m.memory().readCString(cpu.intReg(3), 4096) : "";
    const KnownSignature* known = signatureForTypes(types);
    if (!known) throw std::runtime_error("class_addMethod: no host signature for the type encoding \"" + types + "\"");
    static std::mutex lock;
    static std::map<std::string, std::string>* interned = new std::map<std::string, std::string>;
    const char* kept;
    {
      std::lock_guard guard(lock);
      kept = interned->emplace(types, types).first->second.c_str();
    }
    IMP imp = guestImplementation(m, guestImp, known->types, known->realDoubles, known->signature);
    cpu.setIntReg(0, class_addMethod(cls, selector, imp, kept) ? 1 : 0);
  });
}

// MSHookMessageEx: the replacement becomes a host implementation of the
// replaced method's own signature; the saved one is handed back as a guest
// address that reaches it.
std::uint64_t hookTrap(Machine& machine, const std::string& symbol) {
  return machine.addTrap(symbol, [](Cpu& cpu) {
    Machine& m = cpu.machine();
    Class cls = static_cast<Class>(m.handles().toHost(cpu.intReg(0)));
    SEL selector = m.handles().selectorToHost(cpu.intReg(1));
    std::uint64_t replacement = cpu.intReg(2), savedSlot = cpu.intReg(3);
    IMP original = cls && selector ? class_lookupMethod(cls, selector) : nil;
    IMP installed =
        original ? guestImplementation(m, replacement, original.types, original.realDoubles, original.signature) : nil;
    IMP saved;
    MSHookMessageEx(cls, selector, installed, &saved);
    if (!savedSlot) return;
    std::string name = std::string("-[") + (cls ? class_getName(cls) : "nil") + " " +
                       (selector ? sel_getName(selector) : "nil") + "] (saved)";
    m.memory().writeWord(savedSlot, hostImplementationForGuest(m, saved, name), guestPointerSize(m.arch()));
  });
}

std::mutex gIvarLock;
std::unordered_map<Ivar, std::uint64_t> gIvarOffsets;  // as the guest sees them

std::uint64_t getIvarTrap(Machine& machine, const std::string& symbol) {
  return machine.addTrap(symbol, [](Cpu& cpu) {
    Machine& m = cpu.machine();
    Class cls = static_cast<Class>(m.handles().toHost(cpu.intReg(0)));
    std::string name = cpu.intReg(1) ? m.memory().readCString(cpu.intReg(1), 4096) : "";
    Ivar ivar = cls && cpu.intReg(1) ? class_getInstanceVariable(cls, name.c_str()) : nullptr;
    if (ivar) {
      std::uint64_t offset = m.handles().guestIvarOffset(cls, ivar);
      std::lock_guard guard(gIvarLock);
      gIvarOffsets[ivar] = offset;
    }
    cpu.setIntReg(0, m.handles().opaqueToGuest(ivar));
  });
}

std::uint64_t ivarOffsetTrap(Machine& machine, const std::string& symbol) {
  return machine.addTrap(symbol, [](Cpu& cpu) {
    auto ivar = static_cast<Ivar>(cpu.machine().handles().opaqueToHost(cpu.intReg(0)));
    std::lock_guard guard(gIvarLock);
    auto known = gIvarOffsets.find(ivar);
    cpu.setIntReg(0, known == gIvarOffsets.end() ? 0 : known->second);
  });
}

// The device's pools are tokens; the stand-in keeps a per-thread stack.
std::uint64_t poolPushTrap(Machine& machine, const std::string& symbol) {
  return machine.addTrap(symbol, [](Cpu& cpu) {
    objc_autoreleasePoolPush();
    cpu.setIntReg(0, 1);
  });
}

std::uint64_t poolPopTrap(Machine& machine, const std::string& symbol) {
  return machine.addTrap(symbol, [](Cpu&) { objc_autoreleasePoolPop(); });
}

void logFormat(id format, NSFormatArgs arguments) { NSLogv(format, arguments); }

std::uint64_t logTrap(Machine& machine, const std::string& symbol) {
  static const HostCall& call = hostCallFor("v@{NSFormatArgs=}");
  return machine.addTrap(symbol, [](Cpu& cpu) { callHost(cpu, reinterpret_cast<void (*)()>(&logFormat), call); });
}

// dispatch_time_t is 64 bits on every device; the stand-in's is uint64_t,
// which C++ spells `unsigned long` here.
long semaphoreWait(dispatch_semaphore_t semaphore, unsigned long long timeout) {
  return dispatch_semaphore_wait(semaphore, timeout);
}

// floor takes and gives a real double, not a length.
RealDouble floorOf(RealDouble value) { return std::floor(value.value); }

int compareStrings(const char* a, const char* b) { return std::strcmp(a, b); }

std::uint64_t lazyBinderTrap(Machine& machine, const std::string& symbol) {
  return machine.addTrap(symbol, stubBinder);
}

// ---- data -----------------------------------------------------------------------

std::uint64_t foundationVersionData(Machine& machine, const std::string&) {
  double version = NSFoundationVersionNumber;
  return machine.memory().copyIn(&version, sizeof version);
}

// A class object the guest never looks into: the constant strings' class and
// the stack blocks' class are only addresses to it.
std::uint64_t opaqueClassData(Machine& machine, const std::string&) {
  std::uint8_t zeros[32] = {};
  return machine.memory().copyIn(zeros, sizeof zeros);
}

struct Entry {
  const char* library;
  const char* symbol;
  Maker make;
};

const std::vector<Entry>& table() {
  static const auto* entries = new std::vector<Entry>{
      {kLibobjc, "_objc_msgSend", msgSendTrap},
      {kLibobjc, "_objc_msgSend_stret", msgSendStretTrap},
      {kLibobjc, "_objc_msgSendSuper", msgSendSuperTrap},
      {kLibobjc, "_objc_allocateClassPair", Typed<&allocateClassPair>::make},
      {kLibobjc, "_objc_registerClassPair", Typed<&objc_registerClassPair>::make},
      {kLibobjc, "_class_getSuperclass", Typed<&class_getSuperclass>::make},
      {kLibobjc, "_objc_getClass", Typed<&objc_getClass>::make},
      {kLibobjc, "_object_getClass", Typed<&object_getClass>::make},
      {kLibobjc, "_sel_registerName", Typed<&sel_registerName>::make},
      {kLibobjc, "_class_addMethod", addMethodTrap},
      {kLibobjc, "_class_getInstanceVariable", getIvarTrap},
      {kLibobjc, "_ivar_getOffset", ivarOffsetTrap},
      {kLibobjc, "_objc_retain", Typed<&objc_retain>::make},
      {kLibobjc, "_objc_release", Typed<&objc_release>::make},
      {kLibobjc, "_objc_autorelease", Typed<&objc_autorelease>::make},
      {kLibobjc, "_objc_autoreleasePoolPush", poolPushTrap},
      {kLibobjc, "_objc_autoreleasePoolPop", poolPopTrap},
      {kSubstrate, "_MSHookMessageEx", hookTrap},
      {kFoundation, "_NSLog", logTrap},
      {kFoundation, "_NSStringFromClass", Typed<&NSStringFromClass>::make},
      {kFoundation, "_NSFoundationVersionNumber", foundationVersionData},
      {kCoreFoundation, "___CFConstantStringClassReference", opaqueClassData},
      {kLibSystem, "__NSConcreteStackBlock", opaqueClassData},
      {kLibSystem, "_dispatch_semaphore_create", Typed<&dispatch_semaphore_create>::make},
      {kLibSystem, "_dispatch_semaphore_wait", Typed<&semaphoreWait>::make},
      {kLibSystem, "_dispatch_semaphore_signal", Typed<&dispatch_semaphore_signal>::make},
      {kLibSystem, "_dispatch_release", Typed<&dispatch_release>::make},
      {kLibSystem, "_strcmp", Typed<&compareStrings>::make},
      {kLibSystem, "_floor", Typed<&floorOf>::make},
      {kLibSystem, "dyld_stub_binder", lazyBinderTrap},
      {kLibSystem, "_memcpy", memcpyTrap},
      {kLibSystem, "_strlen", Typed<&lengthOf>::make},
      {kLibSystem, "_open", openTrap},
      {kLibSystem, "_write", writeTrap},
      {kLibSystem, "_fsync", fsyncTrap},
      {kLibSystem, "_close", closeTrap},
      {kLibSystem, "_rename", renameTrap},
      {kLibSystem, "_unlink", unlinkTrap},
      {kLibSystem, "___stack_chk_guard", stackGuardData},
      {kLibSystem, "___stack_chk_fail", stackCheckFailTrap},
      {kCoreGraphics, "_CGRectGetMinX", Typed<&CGRectGetMinX>::make},
      {kCoreGraphics, "_CGRectGetMinY", Typed<&CGRectGetMinY>::make},
      {kCoreGraphics, "_CGRectGetWidth", Typed<&CGRectGetWidth>::make},
      {kCoreGraphics, "_CGRectGetHeight", Typed<&CGRectGetHeight>::make},
      {kCoreGraphics, "_CGContextSetLineWidth", Typed<&CGContextSetLineWidth>::make},
      {kCoreGraphics, "_CGContextSetStrokeColorWithColor", Typed<&CGContextSetStrokeColorWithColor>::make},
      {kCoreGraphics, "_CGContextSetFillColorWithColor", Typed<&CGContextSetFillColorWithColor>::make},
      {kCoreGraphics, "_CGContextStrokeEllipseInRect", Typed<&CGContextStrokeEllipseInRect>::make},
      {kCoreGraphics, "_CGContextFillEllipseInRect", Typed<&CGContextFillEllipseInRect>::make},
      {kCoreGraphics, "_CGContextBeginPath", Typed<&CGContextBeginPath>::make},
      {kCoreGraphics, "_CGContextClosePath", Typed<&CGContextClosePath>::make},
      {kCoreGraphics, "_CGContextSaveGState", Typed<&CGContextSaveGState>::make},
      {kCoreGraphics, "_CGContextRestoreGState", Typed<&CGContextRestoreGState>::make},
      {kCoreGraphics, "_CGContextTranslateCTM", Typed<&CGContextTranslateCTM>::make},
      {kCoreGraphics, "_CGContextScaleCTM", Typed<&CGContextScaleCTM>::make},
      {kCoreGraphics, "_CGContextMoveToPoint", Typed<&CGContextMoveToPoint>::make},
      {kCoreGraphics, "_CGContextAddArcToPoint", Typed<&CGContextAddArcToPoint>::make},
      {kCoreGraphics, "_CGContextClip", Typed<&CGContextClip>::make},
      {kUIKit, "_UIGraphicsBeginImageContext", Typed<&UIGraphicsBeginImageContext>::make},
      {kUIKit, "_UIGraphicsBeginImageContextWithOptions", Typed<&UIGraphicsBeginImageContextWithOptions>::make},
      {kUIKit, "_UIGraphicsGetCurrentContext", Typed<&UIGraphicsGetCurrentContext>::make},
      {kUIKit, "_UIGraphicsPushContext", Typed<&UIGraphicsPushContext>::make},
      {kUIKit, "_UIGraphicsPopContext", Typed<&UIGraphicsPopContext>::make},
      {kUIKit, "_UIGraphicsGetImageFromCurrentImageContext", Typed<&UIGraphicsGetImageFromCurrentImageContext>::make},
      {kUIKit, "_UIGraphicsEndImageContext", Typed<&UIGraphicsEndImageContext>::make},
  };
  return *entries;
}

}  // namespace

void recordMessages(bool on) { gRecording = on; }

std::vector<std::pair<Class, SEL>> recordedMessages() {
  std::lock_guard guard(gRecordLock);
  return {gRecorded.begin(), gRecorded.end()};
}

std::optional<std::uint64_t> resolveImport(Machine& machine, const std::string& library, const std::string& symbol) {
  static std::mutex lock;
  // Trap slots and guest data belong to one machine's address space.
  static auto* resolved = new std::map<std::tuple<Machine*, std::string, std::string>, std::uint64_t>;
  std::lock_guard guard(lock);
  auto known = resolved->find({&machine, library, symbol});
  if (known != resolved->end()) return known->second;
  for (const Entry& entry : table()) {
    if (symbol != entry.symbol || (!library.empty() && library != entry.library)) continue;
    std::uint64_t address = entry.make(machine, symbol);
    resolved->emplace(std::make_tuple(&machine, library, symbol), address);
    return address;
  }
  return std::nullopt;
}

}  // namespace emu
