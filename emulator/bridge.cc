#include "bridge.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "blocks.h"
#include "format_arguments.h"
#include "values.h"
#include "foundation/NSString.h"

namespace emu {
namespace {

std::uint64_t readPiece(Cpu& cpu, const std::vector<Location>& at, std::uint64_t stack) {
  std::uint64_t bits = cpu.read(at[0], stack);
  if (at.size() > 1) bits |= cpu.read(at[1], stack) << 32;
  return bits;
}

void writePiece(Cpu& cpu, const std::vector<Location>& at, std::uint64_t stack, std::uint64_t bits) {
  cpu.write(at[0], stack, at.size() > 1 ? static_cast<std::uint32_t>(bits) : bits);
  if (at.size() > 1) cpu.write(at[1], stack, bits >> 32);
}

Argument shapeOf(const Type& type, Arch arch) {
  return Argument{guestParts(type, arch), type.kind == Kind::Lengths || type.kind == Kind::Words};
}

std::uint64_t resultBytes(const Type& type, Arch arch) {
  std::uint64_t bytes = 0;
  for (const Part& p : guestParts(type, arch)) bytes += p.size;
  return bytes;
}

}  // namespace

void callHost(Cpu& cpu, void (*function)(), const HostCall& call) {
  const Signature& sig = call.signature;
  const Arch arch = cpu.arch();
  const bool inMemory = resultInMemory(arch, sig.result());
  const std::size_t count = sig.arguments();
  std::size_t fixed = 0;
  std::vector<Argument> shapes;
  while (fixed < count && sig.argument(fixed).kind != Kind::FormatArgs)
    shapes.push_back(shapeOf(sig.argument(fixed++), arch));

  std::vector<HostSlot> values(count);
  std::vector<void*> pointers(count);
  Keep keep;
  const std::uint64_t stack = cpu.sp();
  Placement placement = placeArguments(arch, shapes, shapes.size(), inMemory);
  for (std::size_t i = 0; i < fixed; ++i) {
    std::vector<std::uint64_t> bits;
    for (const auto& piece : placement.arguments[i]) bits.push_back(readPiece(cpu, piece, stack));
    toHost(cpu, sig.argument(i), bits, values[i], keep);
    pointers[i] = values[i].bytes;
  }
  if (fixed < count) {
    // The variadic arguments, as many and as wide as the format's conversions say.
    if (fixed == 0) throw std::runtime_error("a variadic call without its format");
    std::vector<FormatConversion> conversions =
        formatConversions(standin::utf8Of(get<id>(values[fixed - 1].bytes)), arch);
    for (const FormatConversion& c : conversions) shapes.push_back(Argument{{c.part}, false});
    placement = placeArguments(arch, shapes, fixed, inMemory);
    auto arguments = std::make_shared<standin::FormatArgs>();
    for (std::size_t i = 0; i < conversions.size(); ++i) {
      std::uint64_t bits = readPiece(cpu, placement.arguments[fixed + i][0], stack);
      arguments->push_back(formatArgument(cpu, conversions[i], bits, keep));
    }
    keep.objects.push_back(arguments);
    put<void*>(values[fixed], arguments.get());
    pointers[fixed] = values[fixed].bytes;
  }

  HostSlot result;
  ffi_call(const_cast<ffi_cif*>(&call.cif), function, result.bytes, pointers.data());

  std::vector<std::uint64_t> bits = toGuest(cpu, sig.result(), result.bytes);
  if (inMemory) {
    std::uint64_t destination = cpu.intReg(0);
    unsigned size = guestParts(sig.result(), arch).front().size;
    for (std::size_t i = 0; i < bits.size(); ++i)
      cpu.machine().memory().writeWord(destination + i * size, bits[i], size);
    return;
  }
  PieceLocations at = placeResult(arch, shapeOf(sig.result(), arch));
  for (std::size_t i = 0; i < at.size(); ++i) writePiece(cpu, at[i], 0, bits[i]);
}

void callGuest(Cpu& cpu, std::uint64_t address, const HostCall& call, void** arguments, void* result) {
  const Signature& sig = call.signature;
  const Arch arch = cpu.arch();
  const bool inMemory = resultInMemory(arch, sig.result());
  std::vector<Argument> shapes;
  std::vector<std::vector<std::uint64_t>> bits;
  for (std::size_t i = 0; i < sig.arguments(); ++i) {
    shapes.push_back(shapeOf(sig.argument(i), arch));
    bits.push_back(toGuest(cpu, sig.argument(i), arguments[i]));
  }
  Placement placement = placeArguments(arch, shapes, shapes.size(), inMemory);
  const std::uint64_t returned = inMemory ? (resultBytes(sig.result(), arch) + 15) & ~std::uint64_t{15} : 0;
  Cpu::Frame frame(cpu, placement.stackBytes + returned);
  const std::uint64_t resultArea = frame.stack() + placement.stackBytes;
  if (inMemory) cpu.setIntReg(0, resultArea);
  for (std::size_t i = 0; i < bits.size(); ++i)
    for (std::size_t p = 0; p < bits[i].size(); ++p)
      writePiece(cpu, placement.arguments[i][p], frame.stack(), bits[i][p]);
  frame.run(address);

  std::vector<std::uint64_t> back;
  if (inMemory) {
    for (const Part& p : guestParts(sig.result(), arch))
      back.push_back(cpu.machine().memory().readWord(resultArea + back.size() * p.size, p.size));
  } else {
    for (const auto& piece : placeResult(arch, shapeOf(sig.result(), arch))) back.push_back(readPiece(cpu, piece, 0));
  }
  if (!result || sig.result().kind == Kind::Void) return;
  HostSlot slot;
  Keep keep;  // a guest result never needs one: strings and blocks do not come back
  toHost(cpu, sig.result(), back, slot, keep);
  std::size_t size = sig.result().kind == Kind::Lengths || sig.result().kind == Kind::Words ? 8 * sig.result().count
                     : sig.result().kind == Kind::Float                                     ? 4
                                                                                            : 8;
  std::memcpy(result, slot.bytes, size);
}

namespace {

struct GuestImplementation {
  Machine* machine;
  std::uint64_t address;
  const HostCall* call;
};

void enterGuestImplementation(ffi_cif*, void* result, void** arguments, void* user) {
  auto* imp = static_cast<GuestImplementation*>(user);
  callGuest(imp->machine->cpu(), imp->address, *imp->call, arguments, result);
}

}  // namespace

IMP guestImplementation(Machine& machine, std::uint64_t address, const char* types, std::uint64_t realDoubles,
                        const std::type_info* signature) {
  const HostCall& call = hostCallFor(types, realDoubles);
  void* code = nullptr;
  auto* closure = static_cast<ffi_closure*>(ffi_closure_alloc(sizeof(ffi_closure), &code));
  if (!closure) throw std::runtime_error("libffi cannot make a closure");
  // Lives as long as the process, as a replacement is never removed; kept
  // where a leak checker sees it, since the closure's own memory is not.
  static std::mutex lock;
  static auto* kept = new std::deque<GuestImplementation>;
  GuestImplementation* user;
  {
    std::lock_guard guard(lock);
    user = &kept->emplace_back(GuestImplementation{&machine, address, &call});
  }
  if (ffi_prep_closure_loc(closure, const_cast<ffi_cif*>(&call.cif), enterGuestImplementation, user, code) != FFI_OK)
    throw std::runtime_error("libffi cannot prepare a closure");
  IMP imp;
  imp.fn = reinterpret_cast<void (*)()>(code);
  imp.signature = signature;
  imp.types = types;
  imp.realDoubles = realDoubles;
  return imp;
}

std::uint64_t hostImplementationForGuest(Machine& machine, IMP imp, const std::string& name) {
  if (!imp) return 0;
  if (!imp.types) throw std::runtime_error(name + " has no type encoding to call it by");
  const HostCall* call = &hostCallFor(imp.types, imp.realDoubles);
  return machine.addTrap(name, [imp, call](Cpu& cpu) { callHost(cpu, imp.fn, *call); });
}

}  // namespace emu
