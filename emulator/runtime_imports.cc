#include "runtime_imports.h"

#include <map>
#include <mutex>
#include <stdexcept>
#include <unordered_map>

#include "bridge.h"
#include "guest_structures.h"
#include "foundation/NSData.h"
#include "machine.h"
#include "runtime/autorelease.h"
#include "runtime/message.h"
#include "substrate/substrate.h"

namespace emu {
namespace {

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
    withGuestWord(m.arch(), [&]<class Word>(Word) {
      const ObjCSuper<Word> super = m.memory().read(GuestPtr<ObjCSuper<Word>>(cpu.intReg(first)));
      lookupFrom = static_cast<Class>(m.handles().toHost(super.superClass.address()));
      cpu.setIntReg(first, super.receiver.address());
    });
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
  if (selector == sel("bytes") && standin::isData(self)) {
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
  if (!imp.types)
    throw std::runtime_error(std::string("-[") + class_getName(object_getClass(self)) + " " + sel_getName(selector) +
                             "] has no type encoding to call it by");
  const HostCall& call = hostCallFor(imp.types, imp.realDoubles);
  if (resultInMemory(cpu.arch(), call.signature.result()) != stret)
    throw std::runtime_error(std::string("-[") + class_getName(object_getClass(self)) + " " + sel_getName(selector) +
                             "] sent through " + (stret ? "objc_msgSend_stret" : "objc_msgSend") +
                             ", which its result type does not take");
  callHost(cpu, imp.fn, call);
}

}  // namespace

std::uint64_t msgSendTrap(Machine& machine, const std::string& symbol) {
  return machine.addTrap(symbol, [](Cpu& cpu) { sendMessage(cpu, false); });
}

std::uint64_t msgSendStretTrap(Machine& machine, const std::string& symbol) {
  return machine.addTrap(symbol, [](Cpu& cpu) { sendMessage(cpu, true); });
}

std::uint64_t msgSendSuperTrap(Machine& machine, const std::string& symbol) {
  return machine.addTrap(symbol, [](Cpu& cpu) { sendMessage(cpu, false, true); });
}

namespace {

// Type encodings a guest may give class_addMethod, with the C++ signature a
// host caller of that method uses.
struct KnownSignature {
  const char* types;
  std::uint64_t realDoubles;
  const std::type_info* signature;
};
template <class R, class... A>
KnownSignature knownSignature() {
  return {objc_encodeMethod<R, A...>(), objc_realDoublesOf<R, id, SEL, A...>(), &typeid(R(*)(id, SEL, A...))};
}

// Matched as the guest's compiler writes them for its slice: a BOOL is "c"
// on armv7 and "B" on arm64 (see deviceEncoding).
const KnownSignature* signatureForTypes(const std::string& guestTypes, Arch arch) {
  // The last three are a settings pane's: a specifier getter, a setter, a
  // table view's cell.
  static const std::vector<KnownSignature> known{
      knownSignature<void>(),   knownSignature<id>(),           knownSignature<BOOL>(),      knownSignature<void, id>(),
      knownSignature<id, id>(), knownSignature<void, id, id>(), knownSignature<id, id, id>()};
  const DeviceSlice slice = arch == Arch::Arm64 ? DeviceSlice::Arm64 : DeviceSlice::Armv7;
  std::string plain;
  try {
    plain = plainEncoding(guestTypes);
  } catch (const std::invalid_argument&) {
    return nullptr;
  }
  for (const KnownSignature& k : known)
    if (plain == deviceEncoding(k.types, k.realDoubles, slice)) return &k;
  return nullptr;
}

}  // namespace

std::uint64_t addMethodTrap(Machine& machine, const std::string& symbol) {
  return machine.addTrap(symbol, [](Cpu& cpu) {
    Machine& m = cpu.machine();
    Class cls = static_cast<Class>(m.handles().toHost(cpu.intReg(0)));
    SEL selector = m.handles().selectorToHost(cpu.intReg(1));
    std::uint64_t guestImp = cpu.intReg(2);
    std::string types = cpu.intReg(3) ? m.memory().readCString(cpu.intReg(3), 4096) : "";
    const KnownSignature* known = signatureForTypes(types, m.arch());
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

static void neverInstalled(id, SEL) {}

// MSHookMessageEx: the replacement becomes a host implementation of the
// replaced method's own signature; the saved one is handed back as a guest
// address that reaches it. Where Substrate installs nothing, the guest's
// slot is not written.

std::uint64_t hookTrap(Machine& machine, const std::string& symbol) {
  return machine.addTrap(symbol, [](Cpu& cpu) {
    Machine& m = cpu.machine();
    Class cls = static_cast<Class>(m.handles().toHost(cpu.intReg(0)));
    SEL selector = m.handles().selectorToHost(cpu.intReg(1));
    std::uint64_t replacement = cpu.intReg(2), savedSlot = cpu.intReg(3);
    IMP original = cls && selector ? class_lookupMethod(cls, selector) : nil;
    // Without a method to take its signature from, the guest's replacement
    // cannot be called, and is never installed: Substrate only needs to see
    // that one was given before it reports the missing message.
    IMP installed = !replacement ? nil
                    : original
                        ? guestImplementation(m, replacement, original.types, original.realDoubles, original.signature)
                        : IMP(neverInstalled);
    IMP saved;
    MSHookMessageEx(cls, selector, installed, &saved);
    if (!savedSlot || !saved) return;
    std::string name = std::string("-[") + (cls ? class_getName(cls) : "nil") + " " +
                       (selector ? sel_getName(selector) : "nil") + "] (saved)";
    const std::uint64_t reachesSaved = hostImplementationForGuest(m, saved, name);
    withGuestWord(m.arch(), [&]<class Word>(Word) {
      m.memory().write(GuestPtr<FunctionPtr<Word>>(savedSlot), FunctionPtr<Word>(reachesSaved));
    });
  });
}

namespace {
std::mutex gIvarLock;
std::unordered_map<Ivar, std::uint64_t> gIvarOffsets;  // as the guest sees them
}  // namespace

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

}  // namespace emu
