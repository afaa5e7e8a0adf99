#include "file_imports.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <mutex>
#include <set>

#include "foundation/device.h"
#include "machine.h"

namespace emu {
namespace {

// Darwin's open(2) flags, as the guest passes them.
constexpr std::uint64_t kDarwinAccessMode = 0x3, kDarwinWriteOnly = 0x1, kDarwinCreate = 0x200, kDarwinTruncate = 0x400;
constexpr std::size_t kMaxPathBytes = 1024;

std::mutex gLock;
std::set<int>& guestDescriptors() {
  static auto* fds = new std::set<int>;
  return *fds;
}

bool isGuests(int fd) {
  std::lock_guard guard(gLock);
  return guestDescriptors().count(fd) != 0;
}

// The host path for the guest's device path; "" when it may not be written.
std::string writablePath(Cpu& cpu, unsigned reg) {
  std::string devicePath = cpu.machine().memory().readCString(cpu.intReg(reg), kMaxPathBytes);
  return standin::deviceWritablePath(devicePath);
}

// A C int or long result; -1 is all ones in either register width.
void answer(Cpu& cpu, long long value) { cpu.setIntReg(0, static_cast<std::uint64_t>(value)); }

}  // namespace

// Only a new file to write (the pane's O_WRONLY | O_CREAT | O_TRUNC): the
// mode, a variadic argument, is 0644 as the pane passes it.
std::uint64_t openTrap(Machine& machine, const std::string& symbol) {
  return machine.addTrap(symbol, [](Cpu& cpu) {
    std::uint64_t flags = cpu.intReg(1);
    std::string path = writablePath(cpu, 0);
    bool creates =
        (flags & kDarwinAccessMode) == kDarwinWriteOnly && (flags & kDarwinCreate) && (flags & kDarwinTruncate);
    int fd = creates && !path.empty() ? ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644) : -1;
    if (fd >= 0) {
      std::lock_guard guard(gLock);
      guestDescriptors().insert(fd);
    }
    answer(cpu, fd);
  });
}

std::uint64_t writeTrap(Machine& machine, const std::string& symbol) {
  return machine.addTrap(symbol, [](Cpu& cpu) {
    int fd = static_cast<int>(cpu.intReg(0));
    std::uint64_t length = cpu.intReg(2);
    if (cpu.arch() == Arch::Armv7) length &= 0xffffffffu;
    const std::uint8_t* bytes = cpu.machine().memory().host(cpu.intReg(1), length);
    answer(cpu, isGuests(fd) && (bytes || length == 0) ? ::write(fd, bytes, length) : -1);
  });
}

std::uint64_t fsyncTrap(Machine& machine, const std::string& symbol) {
  return machine.addTrap(symbol, [](Cpu& cpu) {
    int fd = static_cast<int>(cpu.intReg(0));
    answer(cpu, isGuests(fd) ? ::fsync(fd) : -1);
  });
}

std::uint64_t closeTrap(Machine& machine, const std::string& symbol) {
  return machine.addTrap(symbol, [](Cpu& cpu) {
    int fd = static_cast<int>(cpu.intReg(0));
    bool owned = false;
    {
      std::lock_guard guard(gLock);
      owned = guestDescriptors().erase(fd) != 0;
    }
    answer(cpu, owned ? ::close(fd) : -1);
  });
}

std::uint64_t renameTrap(Machine& machine, const std::string& symbol) {
  return machine.addTrap(symbol, [](Cpu& cpu) {
    std::string from = writablePath(cpu, 0), to = writablePath(cpu, 1);
    answer(cpu, from.empty() || to.empty() ? -1 : std::rename(from.c_str(), to.c_str()));
  });
}

std::uint64_t unlinkTrap(Machine& machine, const std::string& symbol) {
  return machine.addTrap(symbol, [](Cpu& cpu) {
    std::string path = writablePath(cpu, 0);
    answer(cpu, path.empty() ? -1 : ::unlink(path.c_str()));
  });
}

}  // namespace emu
