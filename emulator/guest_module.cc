#include "guest_module.h"

#include <unicode/unistr.h>
#include <unicorn/unicorn.h>

#include <map>
#include <set>

#include "bridge.h"
#include "device_libraries.h"
#include "foundation/NSString.h"
#include "imports.h"
#include "machine.h"

namespace emu {
namespace {

constexpr std::uint32_t kTrapInstructionArm64 = 0xd65f03c0;  // ret
constexpr std::uint32_t kTrapInstructionArm = 0xe12fff1e;    // bx lr

void mapImage(Machine& m) {
  const MachOSlice& slice = m.slice();
  for (const Segment& segment : slice.segments) {
    if (segment.vmsize == 0 || segment.initprot == 0) continue;  // __PAGEZERO
    if (segment.vmaddr + segment.vmsize > layout::kImageLimit - layout::kImageBase)
      throw LoadError(slice.path + ": segment " + segment.name + " lies beyond the space for the module");
    if (segment.fileoff + segment.filesize > slice.bytes.size())
      throw LoadError(slice.path + ": segment " + segment.name + " runs past the end of the file");
    Region& region = m.memory().addRegion(m.slide() + segment.vmaddr, segment.vmsize, segment.initprot & 7,
                                          "segment " + segment.name);
    std::memcpy(region.host, slice.bytes.data() + segment.fileoff, std::min(segment.filesize, segment.vmsize));
  }
}

void rebase(Machine& m) {
  const unsigned word = guestPointerSize(m.arch());
  for (std::uint64_t address : m.slice().rebases) {
    std::uint64_t at = m.slide() + address;
    m.memory().writeWord(at, m.memory().readWord(at, word) + m.slide(), word);
  }
}

// The regular and weak binds; lazy pointers keep the stub helper's
// addresses the rebase gave them until their first call (lazy_binding.h).
void bind(Machine& m) {
  const unsigned word = guestPointerSize(m.arch());
  std::set<std::string> leftOut;  // weak libraries the device lacks or has too old
  for (const Dependency& d : m.slice().libraries)
    if (!deviceProvides(d)) leftOut.insert(d.installName);
  for (const Bind& b : m.slice().binds) {
    std::optional<std::uint64_t> target;
    if (!leftOut.count(b.library)) target = resolveImport(m, b.library, b.symbol);
    if (!target && b.weakImport) target = 0;
    if (!target)
      throw LoadError("dyld: Symbol not found: " + b.symbol + "\n  Referenced from: " + m.slice().path +
                      "\n  Expected in: " + (b.library.empty() ? "flat namespace" : b.library));
    m.memory().writeWord(m.slide() + b.address, *target + b.addend, word);
  }
}

// Each __cfstring entry {class, flags, bytes, length} becomes one of the
// platform's strings, for the life of the process.
void makeConstantStrings(Machine& m) {
  const MachOSlice& slice = m.slice();
  const unsigned word = guestPointerSize(m.arch());
  const std::uint64_t entry = 4 * word;
  for (std::uint64_t at = slice.constantStrings; at + entry <= slice.constantStrings + slice.constantStringBytes;
       at += entry) {
    std::uint64_t guest = m.slide() + at;
    std::uint32_t flags = static_cast<std::uint32_t>(m.memory().readWord(guest + word, 4));
    std::uint64_t bytes = m.memory().readWord(guest + 2 * word, word);
    std::uint64_t length = m.memory().readWord(guest + 3 * word, word);
    std::string text;
    if (flags & 0x10) {  // UTF-16 (a literal with characters beyond ASCII)
      std::u16string units(length, u'\0');
      m.memory().read(bytes, units.data(), length * 2);
      icu::UnicodeString(units.data(), static_cast<int32_t>(units.size())).toUTF8String(text);
    } else {
      text.resize(length);
      m.memory().read(bytes, text.data(), length);
    }
    id string = objc_retain(standin::stringWithUTF8(text));
    m.handles().addConstant(guest, string);
  }
}

void runInitialisers(Machine& m) {
  const unsigned word = guestPointerSize(m.arch());
  const MachOSlice& slice = m.slice();
  for (std::uint64_t at = 0; at + word <= slice.initialiserBytes; at += word) {
    std::uint64_t function = m.memory().readWord(m.slide() + slice.initialisers + at, word);
    callGuest(m.cpu(), function, hostCallFor("v"), nullptr, nullptr);
  }
}

bool gCountInstructions = false;
bool gCountCallees = false;

void forgetObject(id object) {
  for (Machine* m : Machine::all()) m->handles().forget(object);
}

}  // namespace

void countGuestInstructions(bool on) { gCountInstructions = on; }
void countHostCallees(bool on) { gCountCallees = on; }

std::vector<std::pair<std::string, std::uint64_t>> hostCallees() {
  std::map<std::string, std::uint64_t> counts;
  for (Machine* m : Machine::all())
    for (const auto& [callee, calls] : m->calleeCalls()) counts[callee] += calls;
  return {counts.begin(), counts.end()};
}

GuestCost guestCost() {
  GuestCost cost;
  for (Machine* m : Machine::all()) {
    cost.instructions += m->guestInstructions();
    cost.hostCalls += m->hostCalls();
  }
  return cost;
}

Arch archNamed(const std::string& name) {
  if (name == "arm64") return Arch::Arm64;
  if (name == "armv7") return Arch::Armv7;
  throw LoadError("unknown processor \"" + name + "\" (known: arm64, armv7)");
}

void loadGuestModule(const std::string& path, Arch arch, ImageKind kind) {
  // NSBundle's load and Substrate each map an image once.
  for (Machine* loaded : Machine::all())
    if (loaded->slice().path == path) throw LoadError(path + ": the image is loaded already");
  // Lives as long as the process, as a loaded module does.
  MachOSlice slice = readMachOSlice(path, arch, kind);
  checkDependentLibraries(slice);
  auto* m = new Machine(std::move(slice));
  m->countInstructions(gCountInstructions);
  m->countCallees(gCountCallees);
  GuestMemory& memory = m->memory();
  Region& traps = memory.addRegion(layout::kTrapBase, layout::kTrapSize, UC_PROT_READ | UC_PROT_EXEC, "trap page");
  const std::uint32_t instruction = arch == Arch::Arm64 ? kTrapInstructionArm64 : kTrapInstructionArm;
  for (std::uint64_t at = 0; at < layout::kTrapSize; at += 4) std::memcpy(traps.host + at, &instruction, 4);
  memory.addRegion(layout::kHeapBase, layout::kHeapSize, UC_PROT_READ | UC_PROT_WRITE, "heap");
  memory.addRegion(layout::kArenaBase, layout::kArenaSize, UC_PROT_READ | UC_PROT_WRITE, "objects");
  memory.addRegion(layout::kStackBase, layout::kStackSize * layout::kMaxThreads, UC_PROT_READ | UC_PROT_WRITE, "stacks");
  mapImage(*m);
  rebase(*m);
  bind(*m);
  makeConstantStrings(*m);
  objc_setDeallocHandler(forgetObject);
  // The process stands for the device's process of this slice from its
  // first instruction on: the encodings it reads back are its compiler's.
  setSimulatedSlice(arch == Arch::Arm64 ? DeviceSlice::Arm64 : DeviceSlice::Armv7);
  runInitialisers(*m);
}

}  // namespace emu
