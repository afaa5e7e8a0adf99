#include "runtime/literal_text.h"

#include <link.h>

#include <cstdint>
#include <utility>

namespace {

int findSegment(dl_phdr_info* info, size_t, void* data) {
  auto* address = static_cast<std::pair<std::uintptr_t, bool>*>(data);
  for (int i = 0; i < info->dlpi_phnum; ++i) {
    const ElfW(Phdr)& segment = info->dlpi_phdr[i];
    if (segment.p_type != PT_LOAD) continue;
    const std::uintptr_t start = info->dlpi_addr + segment.p_vaddr;
    if (address->first >= start && address->first < start + segment.p_memsz) {
      address->second = !(segment.p_flags & PF_W);
      return 1;
    }
  }
  return 0;
}

}  // namespace

bool standin::inReadOnlySegment(const char* text) {
  std::pair<std::uintptr_t, bool> address{reinterpret_cast<std::uintptr_t>(text), false};
  dl_iterate_phdr(findSegment, &address);
  return address.second;
}
