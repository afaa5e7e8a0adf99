#include "module_loader.h"

#include <dlfcn.h>

#include "guest_module.h"
#include "image_kind.h"
#include "macho_slice.h"

namespace loader {

std::string mapModule(const std::string& path, const std::string& arch, ModuleKind kind) {
  if (emu::looksLikeMachO(path)) {
    try {
      emu::loadGuestModule(path, emu::archNamed(arch),
                           kind == ModuleKind::Dylib ? emu::ImageKind::Dylib : emu::ImageKind::Bundle);
    } catch (const emu::LoadError& e) {
      throw ModuleLoadError(e.what());
    }
    return arch;
  }
  if (!dlopen(path.c_str(), RTLD_NOW | RTLD_GLOBAL)) {
    const char* why = dlerror();
    throw ModuleLoadError(why ? why : "unknown error");
  }
  return "host";
}

}  // namespace loader
