#include "machine.h"

#include "runtime/objc.h"
#include "unwind_info.h"

#include <unicorn/unicorn.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace emu {
namespace {

// Every loaded image's machine, for the life of the process.
std::mutex gMachinesLock;
std::vector<Machine*>& machines() {
  static auto* all = new std::vector<Machine*>;
  return *all;
}

void check(uc_err error, const char* what) {
  if (error != UC_ERR_OK) throw std::runtime_error(std::string(what) + ": " + uc_strerror(error));
}

int intRegId(Arch arch, unsigned n) {
  if (arch == Arch::Arm64) {
    if (n <= 28) return UC_ARM64_REG_X0 + static_cast<int>(n);
    return n == 29 ? int{UC_ARM64_REG_X29} : int{UC_ARM64_REG_X30};
  }
  if (n <= 12) return UC_ARM_REG_R0 + static_cast<int>(n);
  return n == 13 ? int{UC_ARM_REG_SP} : n == 14 ? int{UC_ARM_REG_LR} : int{UC_ARM_REG_PC};
}

void trapHook(uc_engine*, std::uint64_t address, std::uint32_t, void* user) {
  static_cast<Cpu*>(user)->handleTrap(address);
}

void arenaReadHook(uc_engine*, uc_mem_type, std::uint64_t address, int size, std::int64_t, void* user) {
  static_cast<Cpu*>(user)->machine().handles().fillForRead(address, static_cast<unsigned>(size));
}

// A store into an object: an instance variable the guest sets goes to the
// host object (handles.h).
void arenaWriteHook(uc_engine*, uc_mem_type, std::uint64_t address, int size, std::int64_t value, void* user) {
  Cpu* cpu = static_cast<Cpu*>(user);
  try {
    cpu->machine().handles().storeFromGuest(address, static_cast<unsigned>(size), static_cast<std::uint64_t>(value));
  } catch (...) {
    cpu->stopWith(std::current_exception());
  }
}

bool invalidHook(uc_engine*, uc_mem_type, std::uint64_t address, int, std::int64_t, void* user) {
  static_cast<Cpu*>(user)->noteBadAddress(address);
  return false;
}

void instructionHook(uc_engine*, std::uint64_t, std::uint32_t, void* user) {
  static_cast<Cpu*>(user)->countInstruction();
}

// One engine per thread and machine: engines are not safe to share, and a
// guest call may nest inside another machine's (the Settings app's pane and
// SpringBoard's load-in run in one simulator process).
thread_local std::vector<std::unique_ptr<Cpu>> tCpus;

// What SpringBoard's end looks like when libunwind stops at a guest frame:
// objc_exception_throw finds no handler and the process terminates,
// whatever host code further up would have caught.
[[noreturn]] void terminateUncaught(const std::string& what, const std::string& function, std::uint64_t address) {
  std::fflush(stdout);
  std::fprintf(stderr,
               "SpringBoard crashed: terminating with uncaught exception (%s): libunwind found no unwind "
               "information for %s at %s (arm64), so the exception cannot pass that frame\n",
               what.c_str(), function.c_str(), hex(address).c_str());
  std::fflush(stderr);
  std::_Exit(3);
}

}  // namespace

// ---- Cpu ----------------------------------------------------------------------

Cpu::Cpu(Machine& machine, unsigned stackIndex) : machine_(machine), stackIndex_(stackIndex) {
  const bool arm64 = machine.arch() == Arch::Arm64;
  check(uc_open(arm64 ? UC_ARCH_ARM64 : UC_ARCH_ARM, UC_MODE_ARM, &uc_), "cannot start a CPU engine");
  if (!arm64) uc_ctl_set_cpu_model(uc_, UC_CPU_ARM_CORTEX_A15);
  for (const Region& r : machine.memory().regions())
    check(uc_mem_map_ptr(uc_, r.base, r.size, r.perms, r.host), ("cannot map " + r.name).c_str());
  if (arm64) {
    std::uint64_t cpacr = 0;
    uc_reg_read(uc_, UC_ARM64_REG_CPACR_EL1, &cpacr);
    cpacr |= 3u << 20;  // floating point and SIMD on
    uc_reg_write(uc_, UC_ARM64_REG_CPACR_EL1, &cpacr);
  } else {
    std::uint32_t fpexc = 1u << 30;  // VFP on
    uc_reg_write(uc_, UC_ARM_REG_FPEXC, &fpexc);
  }
  uc_hook hook;
  check(uc_hook_add(uc_, &hook, UC_HOOK_CODE, reinterpret_cast<void*>(trapHook), this, layout::kTrapBase + 4,
                    layout::kTrapBase + layout::kTrapSize - 1),
        "trap hook");
  check(uc_hook_add(uc_, &hook, UC_HOOK_MEM_READ, reinterpret_cast<void*>(arenaReadHook), this, layout::kArenaBase,
                    layout::kArenaBase + layout::kArenaSize - 1),
        "arena hook");
  check(uc_hook_add(uc_, &hook, UC_HOOK_MEM_WRITE, reinterpret_cast<void*>(arenaWriteHook), this, layout::kArenaBase,
                    layout::kArenaBase + layout::kArenaSize - 1),
        "arena write hook");
  check(uc_hook_add(uc_, &hook, UC_HOOK_MEM_INVALID, reinterpret_cast<void*>(invalidHook), this, 1, 0), "fault hook");
  if (machine.countingInstructions())
    check(uc_hook_add(uc_, &hook, UC_HOOK_CODE, reinterpret_cast<void*>(instructionHook), this, layout::kImageBase,
                      layout::kImageLimit),
          "counting hook");
}

void Cpu::countInstruction() { machine_.addInstructions(1); }

Cpu::~Cpu() {
  uc_close(uc_);
  machine_.returnStack(stackIndex_);
}

Arch Cpu::arch() const { return machine_.arch(); }

std::uint64_t Cpu::intReg(unsigned n) const {
  std::uint64_t value = 0;
  uc_reg_read(uc_, intRegId(arch(), n), &value);
  return arch() == Arch::Arm64 ? value : static_cast<std::uint32_t>(value);
}

void Cpu::setIntReg(unsigned n, std::uint64_t value) {
  if (arch() == Arch::Armv7) value = static_cast<std::uint32_t>(value);
  uc_reg_write(uc_, intRegId(arch(), n), &value);
}

std::uint64_t Cpu::fpReg(unsigned n, unsigned size) const {
  std::uint64_t bits = 0;
  if (arch() != Arch::Arm64) throw std::logic_error("32-bit ARM passes floating point in core registers");
  uc_reg_read(uc_, (size == 4 ? UC_ARM64_REG_S0 : UC_ARM64_REG_D0) + n, &bits);
  return size == 4 ? static_cast<std::uint32_t>(bits) : bits;
}

void Cpu::setFpReg(unsigned n, unsigned size, std::uint64_t bits) {
  if (arch() != Arch::Arm64) throw std::logic_error("32-bit ARM passes floating point in core registers");
  // Writing d clears the rest of the vector register, as a scalar write does.
  std::uint64_t value = size == 4 ? static_cast<std::uint32_t>(bits) : bits;
  uc_reg_write(uc_, UC_ARM64_REG_D0 + n, &value);
}

std::uint64_t Cpu::sp() const {
  if (arch() == Arch::Armv7) return intReg(13);
  std::uint64_t value = 0;
  uc_reg_read(uc_, UC_ARM64_REG_SP, &value);
  return value;
}

void Cpu::setSp(std::uint64_t value) {
  if (arch() == Arch::Arm64)
    uc_reg_write(uc_, UC_ARM64_REG_SP, &value);
  else
    setIntReg(13, value);
}

std::uint64_t Cpu::pc() const {
  std::uint64_t value = 0;
  uc_reg_read(uc_, arch() == Arch::Arm64 ? int{UC_ARM64_REG_PC} : int{UC_ARM_REG_PC}, &value);
  return value;
}

std::uint64_t Cpu::lr() const { return intReg(arch() == Arch::Arm64 ? 30 : 14); }

std::uint64_t Cpu::read(const Location& at, std::uint64_t stack) const {
  switch (at.where) {
    case Location::IntReg: {
      std::uint64_t v = intReg(at.index);
      return at.size >= 8 ? v : v & ((std::uint64_t{1} << (8 * at.size)) - 1);
    }
    case Location::FpReg: return fpReg(at.index, at.size);
    case Location::Stack: return machine_.memory().readWord(stack + at.index, at.size);
  }
  return 0;
}

void Cpu::write(const Location& at, std::uint64_t stack, std::uint64_t bits) {
  switch (at.where) {
    case Location::IntReg: setIntReg(at.index, bits); break;
    case Location::FpReg: setFpReg(at.index, at.size, bits); break;
    case Location::Stack: machine_.memory().writeWord(stack + at.index, bits, at.size); break;
  }
}

std::string Cpu::registers() const {
  std::string text;
  const bool arm64 = arch() == Arch::Arm64;
  unsigned count = arm64 ? 31 : 15;
  for (unsigned n = 0; n < count; ++n) {
    char line[48];
    if (arm64)
      std::snprintf(line, sizeof line, "%sx%u=%llx", n ? " " : "", n, static_cast<unsigned long long>(intReg(n)));
    else
      std::snprintf(line, sizeof line, "%sr%u=%llx", n ? " " : "", n, static_cast<unsigned long long>(intReg(n)));
    text += line;
  }
  text += (arm64 ? " sp=" : "") + (arm64 ? hex(sp()) : std::string());
  text += " pc=" + hex(pc());
  return text;
}

void Cpu::fault(int error, std::uint64_t entry) {
  std::uint64_t at = pc();
  std::string what = uc_strerror(static_cast<uc_err>(error));
  if (sawBadAddress_ &&
      (error == UC_ERR_READ_UNMAPPED || error == UC_ERR_WRITE_UNMAPPED || error == UC_ERR_FETCH_UNMAPPED ||
       error == UC_ERR_READ_PROT || error == UC_ERR_WRITE_PROT || error == UC_ERR_FETCH_PROT))
    what += " (address " + hex(badAddress_) + ")";
  throw GuestFault("guest fault in " + machine_.symbolize(at) + " at " + hex(at) + " (" + archName(arch()) +
                   ", called at " + machine_.symbolize(entry) + "): " + what + "; registers: " + registers());
}

void Cpu::stopWith(std::exception_ptr error) {
  if (!pending_) pending_ = std::move(error);
  uc_emu_stop(uc_);
}

void Machine::addCalleeCall(const std::string& callee) {
  std::lock_guard guard(calleeLock_);
  ++calleeCalls_[callee];
}

std::map<std::string, std::uint64_t> Machine::calleeCalls() {
  std::lock_guard guard(calleeLock_);
  return calleeCalls_;
}

void Cpu::handleTrap(std::uint64_t address) {
  std::string name;
  const TrapHandler* handler = machine_.trap(address, &name);
  if (!handler) return;  // the return address: the engine stops here
  machine_.addHostCall();
  // A message is counted by its selector where it is sent.
  if (machine_.countingCallees() && name.rfind("_objc_msgSend", 0) != 0)
    machine_.addCalleeCall(name.rfind('_', 0) == 0 ? name.substr(1) : name);
  try {
    continueAt_.reset();
    (*handler)(*this);
    std::uint64_t back = continueAt_ ? std::exchange(continueAt_, std::nullopt).value() : lr();
    if (arch() == Arch::Arm64)
      uc_reg_write(uc_, UC_ARM64_REG_PC, &back);
    else
      uc_reg_write(uc_, UC_ARM_REG_PC, &back);  // bit 0 picks Thumb, as BX LR would
  } catch (...) {
    pending_ = std::current_exception();
    uc_emu_stop(uc_);
  }
}

Cpu::Frame::Frame(Cpu& cpu, std::uint64_t stackBytes) : cpu_(cpu) {
  std::uint64_t top;
  if (cpu.depth_ > 0) {
    uc_context* context = nullptr;
    check(uc_context_alloc(cpu.uc_, &context), "cannot save the CPU's state");
    uc_context_save(cpu.uc_, context);
    saved_ = context;
    top = cpu.sp() - 256;  // clear of the interrupted code's frame
  } else {
    top = layout::kStackBase + (cpu.stackIndex_ + 1) * layout::kStackSize - 64;
  }
  stack_ = (top - stackBytes) & ~std::uint64_t{15};
  cpu.setSp(stack_);
}

Cpu::Frame::~Frame() {
  if (saved_) {
    auto* context = static_cast<uc_context*>(saved_);
    uc_context_restore(cpu_.uc_, context);
    uc_context_free(context);
  } else {
    for (std::uint64_t address : cpu_.handed_) cpu_.machine_.memory().release(address);
    cpu_.handed_.clear();
  }
}

void Cpu::Frame::run(std::uint64_t address) {
  cpu_.setIntReg(cpu_.arch() == Arch::Arm64 ? 30 : 14, layout::kReturnAddress);
  cpu_.sawBadAddress_ = false;
  ++cpu_.depth_;
  uc_err error = uc_emu_start(cpu_.uc_, address, layout::kReturnAddress, 0, 0);
  --cpu_.depth_;
  if (cpu_.pending_) {
    std::exception_ptr pending = std::exchange(cpu_.pending_, nullptr);
    try {
      std::rethrow_exception(pending);
    } catch (const ObjCException& e) {
      // An Objective-C exception unwinds through the guest's frames only
      // where libunwind can; elsewhere nothing can catch it.
      if (std::optional<std::uint64_t> stuck = frameWithoutUnwindInfo(cpu_))
        terminateUncaught(e.what(), cpu_.machine_.symbolize(*stuck), *stuck);
      throw;
    }
  }
  if (error != UC_ERR_OK) cpu_.fault(error, address);
}

// ---- Machine -------------------------------------------------------------------

Machine::Machine(MachOSlice slice)
    : slice_(std::move(slice)),
      handles_(slice_.arch, memory_),
      traps_(new Trap[kMaxTraps]),
      stacksInUse_(layout::kMaxThreads) {
  std::lock_guard guard(gMachinesLock);
  machines().push_back(this);
}

Machine::~Machine() {
  std::lock_guard guard(gMachinesLock);
  std::erase(machines(), this);
}

std::vector<Machine*> Machine::all() {
  std::lock_guard guard(gMachinesLock);
  return machines();
}

std::uint64_t Machine::addTrap(std::string name, TrapHandler handler) {
  std::lock_guard guard(trapLock_);
  std::size_t index = trapCount_.load();
  if (index >= kMaxTraps) throw std::runtime_error("the trap page is full");
  traps_[index] = Trap{std::move(name), std::move(handler)};
  trapCount_.store(index + 1, std::memory_order_release);
  return layout::kTrapBase + index * 4;
}

const TrapHandler* Machine::trap(std::uint64_t address, std::string* name) const {
  std::uint64_t index = (address - layout::kTrapBase) / 4;
  if (address < layout::kTrapBase || index == 0 || index >= trapCount_.load(std::memory_order_acquire)) return nullptr;
  if (name) *name = traps_[index].name;
  return &traps_[index].handler;
}

Cpu& Machine::cpu() {
  for (const std::unique_ptr<Cpu>& cpu : tCpus)
    if (&cpu->machine() == this) return *cpu;
  tCpus.push_back(std::make_unique<Cpu>(*this, takeStack()));
  return *tCpus.back();
}

unsigned Machine::takeStack() {
  std::lock_guard guard(stackLock_);
  for (unsigned i = 0; i < stacksInUse_.size(); ++i)
    if (!stacksInUse_[i]) {
      stacksInUse_[i] = true;
      return i;
    }
  throw std::runtime_error("more threads entered the guest than it has stacks for");
}

void Machine::returnStack(unsigned index) {
  std::lock_guard guard(stackLock_);
  if (index < stacksInUse_.size()) stacksInUse_[index] = false;
}

std::string Machine::symbolize(std::uint64_t address) const {
  std::string name;
  if (trap(address, &name)) return name + " (host)";
  if (address < slide_) return hex(address);
  std::uint64_t unslid = address - slide_;
  const Symbol* best = nullptr;
  for (const Symbol& s : slice_.symbols)
    if ((s.address & ~std::uint64_t{1}) <= unslid && (!best || s.address >= best->address)) best = &s;
  if (!best) return hex(address);
  std::uint64_t offset = unslid - (best->address & ~std::uint64_t{1});
  return best->name + (offset ? "+" + hex(offset) : "");
}

}  // namespace emu
