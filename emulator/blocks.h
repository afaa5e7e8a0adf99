// Blocks the guest builds on its stack (_NSConcreteStackBlock, invoke,
// descriptor), handed to the host as the std::function the platform's method
// takes. The block is copied to the guest's heap first, as Block_copy would
// (its copy helper runs), so the host may keep it and call it later from
// any thread; the last host copy's end runs its dispose helper.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace emu {

class Cpu;

// What a call's converted arguments need kept alive until it returns.
struct Keep {
  std::vector<std::unique_ptr<std::string>> strings;
  std::vector<std::shared_ptr<void>> objects;
};

// The host's std::function for the guest block at `guest`, of the block
// encoding `encoding` ("@?<v@?@>"), owned by `keep`; null for nil. Raises
// for a block type the platform does not take.
void* hostBlock(Cpu& cpu, const std::string& encoding, std::uint64_t guest, Keep& keep);

}  // namespace emu
