// The object runtime's and Substrate's entry points a guest calls that need
// the guest's view of its own memory and registers: sending a message
// (objc_msgSend and its stret and super forms), adding a method and hooking
// one with guest code, instance variables' offsets as the guest lays them
// out, and autorelease pools.
#pragma once

#include <cstdint>
#include <string>

namespace emu {

class Machine;

std::uint64_t msgSendTrap(Machine& machine, const std::string& symbol);
std::uint64_t msgSendStretTrap(Machine& machine, const std::string& symbol);
std::uint64_t msgSendSuperTrap(Machine& machine, const std::string& symbol);
std::uint64_t addMethodTrap(Machine& machine, const std::string& symbol);
std::uint64_t hookTrap(Machine& machine, const std::string& symbol);
std::uint64_t getIvarTrap(Machine& machine, const std::string& symbol);
std::uint64_t ivarOffsetTrap(Machine& machine, const std::string& symbol);
std::uint64_t poolPushTrap(Machine& machine, const std::string& symbol);
std::uint64_t poolPopTrap(Machine& machine, const std::string& symbol);

}  // namespace emu
