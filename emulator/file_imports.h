// The C library's file calls a settings pane makes to save its files (open,
// write, fsync, close, rename, unlink), for a guest image. The device paths
// it passes are written only where the simulator lets a program write
// (standin::deviceWritablePath: the run's private folder), never into the device
// root; only descriptors the guest opened itself are written or closed.
#pragma once

#include <cstdint>
#include <string>

namespace emu {

class Machine;

std::uint64_t openTrap(Machine& machine, const std::string& symbol);
std::uint64_t writeTrap(Machine& machine, const std::string& symbol);
std::uint64_t fsyncTrap(Machine& machine, const std::string& symbol);
std::uint64_t closeTrap(Machine& machine, const std::string& symbol);
std::uint64_t renameTrap(Machine& machine, const std::string& symbol);
std::uint64_t unlinkTrap(Machine& machine, const std::string& symbol);

}  // namespace emu
