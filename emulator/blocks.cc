#include "blocks.h"

#include <cstring>
#include <functional>
#include <map>
#include <stdexcept>

#include "bridge.h"
#include "guest_structures.h"
#include "foundation/NSArray.h"
#include "runtime/type_encoding.h"

namespace emu {
namespace {

constexpr std::uint64_t kLargestBlock = 64 * 1024;

// A block copied to the guest's heap.
struct GuestBlock {
  Machine* machine = nullptr;
  std::uint64_t address = 0, invoke = 0, dispose = 0;

  GuestBlock() = default;
  GuestBlock(const GuestBlock&) = delete;
  GuestBlock& operator=(const GuestBlock&) = delete;
  ~GuestBlock() {
    try {
      if (dispose) {
        void* arguments[] = {&address};
        callGuest(machine->cpu(), dispose, hostCallFor("v^?"), arguments, nullptr);
      }
      machine->memory().release(address);
    } catch (...) {
      // A failing dispose helper leaks its captures; nothing may throw here.
    }
  }
};

template <class Word>
std::shared_ptr<GuestBlock> copyBlock(Cpu& cpu, std::uint64_t stackBlock) {
  Machine& m = cpu.machine();
  GuestMemory& memory = m.memory();
  BlockLiteral<Word> literal = memory.read(GuestPtr<BlockLiteral<Word>, Word>(stackBlock));
  const BlockDescriptor<Word> descriptor = memory.read(literal.descriptor);
  const std::uint64_t size = descriptor.size;
  if (size < sizeof literal || size > kLargestBlock) throw std::runtime_error("the module passed a malformed block");
  auto block = std::make_shared<GuestBlock>();
  block->machine = &m;
  block->invoke = literal.invoke.address();
  std::vector<std::uint8_t> bytes(size);
  memory.read(stackBlock, bytes.data(), size);
  block->address = memory.copyIn(bytes.data(), size);
  // On the heap now, with one reference, as Block_copy leaves it.
  const std::uint32_t flags = literal.flags;
  literal.flags = (flags & ~kBlockReferenceBits) | kBlockNeedsFree | 2u;
  memory.write(GuestPtr<BlockLiteral<Word>, Word>(block->address), literal);
  if (flags & kBlockHasCopyDispose) {
    const auto afterDescriptor = (literal.descriptor + 1).template cast<BlockCopyDispose<Word>>();
    const BlockCopyDispose<Word> helpers = memory.read(afterDescriptor);
    block->dispose = helpers.dispose.address();
    void* arguments[] = {&block->address, &stackBlock};
    callGuest(cpu, helpers.copy.address(), hostCallFor("v^?^?"), arguments, nullptr);
  }
  return block;
}

std::shared_ptr<GuestBlock> copyBlock(Cpu& cpu, std::uint64_t stackBlock) {
  return withGuestWord(cpu.arch(), [&]<class Word>(Word) { return copyBlock<Word>(cpu, stackBlock); });
}

template <class R, class... A>
void* makeHostBlock(Cpu& cpu, std::uint64_t guest, Keep& keep) {
  if (!guest) {
    // nil: an empty function, which the method takes by reference all the same.
    auto empty = std::make_shared<std::function<R(A...)>>();
    keep.objects.push_back(empty);
    return empty.get();
  }
  std::shared_ptr<GuestBlock> block = copyBlock(cpu, guest);
  auto function = std::make_shared<std::function<R(A...)>>([block](A... args) -> R {
    static const HostCall& call = hostCallFor(objc_encode<R>() + "^?" + (std::string() + ... + objc_encode<A>()),
                                              objc_realDoublesOf<R, void*, A...>());
    std::uint64_t self = block->address;
    void* arguments[] = {&self, const_cast<void*>(static_cast<const void*>(&args))...};
    alignas(16) unsigned char result[32] = {};
    callGuest(block->machine->cpu(), block->invoke, call, arguments, result);
    if constexpr (!std::is_void_v<R>) {
      R value;
      std::memcpy(&value, result, sizeof value);
      return value;
    }
  });
  keep.objects.push_back(function);
  return function.get();
}

using Factory = void* (*)(Cpu&, std::uint64_t, Keep&);

template <class R, class... A>
std::pair<const std::string, Factory> blockType() {
  return {ObjCTypeEncoding<std::function<R(A...)>>::get(), &makeHostBlock<R, A...>};
}

// The block types the platform's methods take.
const std::map<std::string, Factory>& factories() {
  static const auto* table = new std::map<std::string, Factory>{
      blockType<void, BOOL, id>(),     // requestAccessToEntityType:completion:
      blockType<void, id>(),           // fetchRemindersMatchingPredicate:completion:
      blockType<NSInteger, id, id>(),  // sortUsingComparator:
      blockType<void>(),               // SpringBoard's add reply and iOS 9 screen-wake completion
  };
  return *table;
}

}  // namespace

void* hostBlock(Cpu& cpu, const std::string& encoding, std::uint64_t guest, Keep& keep) {
  auto factory = factories().find(encoding);
  if (factory == factories().end()) throw std::runtime_error("no host form for a block of type \"" + encoding + "\"");
  return factory->second(cpu, guest, keep);
}

}  // namespace emu
