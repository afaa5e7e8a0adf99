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
#include "runtime_imports.h"
#include "foundation/NSData.h"
#include "foundation/NSLog.h"
#include "foundation/NSString.h"
#include "foundation/device.h"
#include "machine.h"
#include "runtime/autorelease.h"
#include "qst/core_graphics_calls.h"
#include "runtime/images.h"
#include "runtime/type_encoding.h"
#include "runtime/message.h"
#include "substrate/substrate.h"
#include "uikit/UIGraphics.h"

namespace emu {
namespace {

// The install names, as the platform's images name them.
constexpr const char* kLibobjc = kObjcImage;
constexpr const char* kLibSystem = kSystemImage;
constexpr const char* kSubstrate = kSubstrateImage;
constexpr const char* kFoundation = kFoundationImage;
constexpr const char* kCoreFoundation = kCoreFoundationImage;
constexpr const char* kCoreGraphics = kCoreGraphicsImage;
constexpr const char* kUIKit = kUIKitImage;

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

void logFormat(id format, standin::FormatArgs arguments) { NSLogv(format, arguments); }

std::uint64_t logTrap(Machine& machine, const std::string& symbol) {
  static const HostCall& call = hostCallFor("v@" + std::string(kFormatArgumentsEncoding));
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
#define QST_BIND_CORE_GRAPHICS_CALL(result, name, parameters) {kCoreGraphics, "_" #name, Typed<&name>::make},
      QST_CORE_GRAPHICS_CALLS(QST_BIND_CORE_GRAPHICS_CALL)
#undef QST_BIND_CORE_GRAPHICS_CALL
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
