// A running guest image: its memory, the names it knows host things by, the
// trap slots that stand for host functions, and one CPU engine per host
// thread that enters it. One per loaded image, each its own address space:
// the images the simulator loads belong to different processes on the
// device (the load-in to SpringBoard, a settings pane to the Settings app).
#pragma once

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "abi.h"
#include "guest_memory.h"
#include "handles.h"
#include "layout.h"
#include "macho_slice.h"

struct uc_struct;

namespace emu {

class Cpu;
class Machine;

// A fault in guest code: what SpringBoard's crash would say.
class GuestFault : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

using TrapHandler = std::function<void(Cpu&)>;

class Cpu {
 public:
  Cpu(Machine& machine, unsigned stackIndex);
  ~Cpu();
  Cpu(const Cpu&) = delete;
  Cpu& operator=(const Cpu&) = delete;

  Machine& machine() const { return machine_; }
  Arch arch() const;

  std::uint64_t intReg(unsigned n) const;
  void setIntReg(unsigned n, std::uint64_t value);
  std::uint64_t fpReg(unsigned n, unsigned size) const;
  void setFpReg(unsigned n, unsigned size, std::uint64_t bits);
  std::uint64_t sp() const;
  void setSp(std::uint64_t value);
  std::uint64_t pc() const;
  std::uint64_t lr() const;

  std::uint64_t read(const Location& at, std::uint64_t stack) const;
  void write(const Location& at, std::uint64_t stack, std::uint64_t bits);

  // One guest call made by the host: saves the engine's state when the call
  // nests inside a running guest (a guest call into the host that calls the
  // guest back), gives it stack below the running code, and restores the
  // state when it ends.
  class Frame {
   public:
    Frame(Cpu& cpu, std::uint64_t stackBytes);
    ~Frame();
    Frame(const Frame&) = delete;
    Frame& operator=(const Frame&) = delete;
    std::uint64_t stack() const { return stack_; }  // where stack arguments go
    // Runs the function at `address` (bit 0: Thumb) until it returns.
    void run(std::uint64_t address);

   private:
    Cpu& cpu_;
    void* saved_ = nullptr;
    std::uint64_t stack_ = 0;
  };

  // From a trap's handler: the guest goes on at `address` (bit 0: Thumb)
  // instead of returning to its link register, as a host function that ends
  // in a jump does (dyld_stub_binder).
  void continueAt(std::uint64_t address) { continueAt_ = address; }

  // C strings handed to the guest live until its outermost call returns.
  void keepUntilReturn(std::uint64_t guestAddress) { handed_.push_back(guestAddress); }

  // From the engine's hooks.
  void handleTrap(std::uint64_t address);
  void noteBadAddress(std::uint64_t address) {
    badAddress_ = address;
    sawBadAddress_ = true;
  }
  void countInstruction();
  // A hook that cannot go on: the engine stops, and the call into the guest
  // raises `error`.
  void stopWith(std::exception_ptr error);

 private:
  friend class Frame;
  std::string registers() const;
  [[noreturn]] void fault(int error, std::uint64_t entry);

  Machine& machine_;
  uc_struct* uc_ = nullptr;
  unsigned stackIndex_;
  unsigned depth_ = 0;
  std::exception_ptr pending_;
  std::uint64_t badAddress_ = 0;
  bool sawBadAddress_ = false;
  std::optional<std::uint64_t> continueAt_;
  std::vector<std::uint64_t> handed_;
};

class Machine {
 public:
  Machine(MachOSlice slice);
  ~Machine();

  // Every loaded image's machine, in the order they loaded.
  static std::vector<Machine*> all();

  Arch arch() const { return slice_.arch; }
  const MachOSlice& slice() const { return slice_; }
  GuestMemory& memory() { return memory_; }
  Handles& handles() { return handles_; }
  std::uint64_t slide() const { return slide_; }

  // A slot on the trap page for a host function; its guest address.
  std::uint64_t addTrap(std::string name, TrapHandler handler);
  const TrapHandler* trap(std::uint64_t address, std::string* name = nullptr) const;

  // This thread's engine, made on first use.
  Cpu& cpu();
  // "function+0x1c" from the dylib's symbols, or the address alone.
  std::string symbolize(std::uint64_t address) const;

  // Counting for the cost benchmark: engines made afterwards count every
  // guest instruction; host calls are always counted.
  void countInstructions(bool on) { countInstructions_ = on; }
  bool countingInstructions() const { return countInstructions_; }
  std::uint64_t guestInstructions() const { return instructions_.load(); }
  std::uint64_t hostCalls() const { return hostCalls_.load(); }
  void addInstructions(std::uint64_t n) { instructions_.fetch_add(n, std::memory_order_relaxed); }
  void addHostCall() { ++hostCalls_; }
  // Host calls by callee, when asked: a C function by its name, a message
  // by its selector (what a device pays for each call differs by callee).
  void countCallees(bool on) { countCallees_ = on; }
  bool countingCallees() const { return countCallees_; }
  void addCalleeCall(const std::string& callee);
  std::map<std::string, std::uint64_t> calleeCalls();

  unsigned takeStack();
  void returnStack(unsigned index);

 private:
  MachOSlice slice_;
  GuestMemory memory_;
  Handles handles_;
  std::uint64_t slide_ = layout::kImageBase;
  struct Trap {
    std::string name;
    TrapHandler handler;
  };
  static constexpr std::size_t kMaxTraps = layout::kTrapSize / 4;
  std::unique_ptr<Trap[]> traps_;
  std::atomic<std::size_t> trapCount_{1};  // slot 0 is the return address
  std::mutex trapLock_, stackLock_;
  std::vector<bool> stacksInUse_;
  bool countInstructions_ = false;
  std::atomic<std::uint64_t> instructions_{0}, hostCalls_{0};
  bool countCallees_ = false;
  std::mutex calleeLock_;
  std::map<std::string, std::uint64_t> calleeCalls_;
};

}  // namespace emu
