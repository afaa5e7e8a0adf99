#include "guest_module.h"

#include <unicode/unistr.h>
#include <unicorn/unicorn.h>

#include <map>
#include <set>

#include "bridge.h"
#include "device_libraries.h"
#include "guest_structures.h"
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

// Rebases, binds and initialisers are the slice's pointer-sized words.
template <class Word>
void rebase(Machine& m) {
  for (std::uint64_t address : m.slice().rebases) {
    const GuestPtr<Word> at(m.slide() + address);
    m.memory().write(at, static_cast<Word>(m.memory().read(at) + m.slide()));
  }
}

// The regular and weak binds; lazy pointers keep the stub helper's
// addresses the rebase gave them until their first call (lazy_binding.h).
template <class Word>
void bind(Machine& m) {
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
    m.memory().write(GuestPtr<Word>(m.slide() + b.address), static_cast<Word>(*target + b.addend));
  }
}

// Each __cfstring entry becomes one of the platform's strings, for the life
// of the process.
template <class Word>
void makeConstantStrings(Machine& m) {
  const MachOSlice& slice = m.slice();
  const std::uint64_t entry = sizeof(ConstantString<Word>);
  for (std::uint64_t at = slice.constantStrings; at + entry <= slice.constantStrings + slice.constantStringBytes;
       at += entry) {
    const GuestPtr<ConstantString<Word>> guest(m.slide() + at);
    const ConstantString<Word> constant = m.memory().read(guest);
    const std::uint64_t length = constant.length;
    const std::uint64_t unit = constant.flags & kConstantStringUTF16 ? 2 : 1;
    // A length from a damaged file must not size a buffer before its bytes
    // are known to be there.
    if (length > (std::uint64_t{1} << 32) || !m.memory().contains(constant.bytes.address(), length * unit))
      throw LoadError("the constant string at " + hex(at) + " claims " + std::to_string(length) +
                      " characters outside the module's memory");
    std::string text;
    if (constant.flags & kConstantStringUTF16) {
      std::u16string units(length, u'\0');
      m.memory().read(constant.bytes.address(), units.data(), length * 2);
      icu::UnicodeString(units.data(), static_cast<int32_t>(units.size())).toUTF8String(text);
    } else {
      text.resize(length);
      m.memory().read(constant.bytes.address(), text.data(), length);
    }
    id string = objc_retain(standin::stringWithUTF8(text));
    m.handles().addConstant(guest.address(), string);
  }
}

template <class Word>
void runInitialisers(Machine& m) {
  const MachOSlice& slice = m.slice();
  const GuestPtr<FunctionPtr<Word>> first(m.slide() + slice.initialisers);
  for (std::uint64_t i = 0; i < slice.initialiserBytes / sizeof(Word); ++i)
    callGuest(m.cpu(), m.memory().read(first + i).address(), hostCallFor("v"), nullptr, nullptr);
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
  memory.addRegion(layout::kStackBase, layout::kStackSize * layout::kMaxThreads, UC_PROT_READ | UC_PROT_WRITE,
                   "stacks");
  mapImage(*m);
  withGuestWord(arch, [&]<class Word>(Word) {
    rebase<Word>(*m);
    bind<Word>(*m);
    makeConstantStrings<Word>(*m);
  });
  objc_setDeallocHandler(forgetObject);
  // The process stands for the device's process of this slice from its
  // first instruction on: the encodings it reads back are its compiler's.
  setSimulatedSlice(arch == Arch::Arm64 ? DeviceSlice::Arm64 : DeviceSlice::Armv7);
  withGuestWord(arch, [&]<class Word>(Word) { runInitialisers<Word>(*m); });
}

}  // namespace emu
