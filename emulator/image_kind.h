// What a loader is asked for: a Substrate load-in is a dynamic library
// (MH_DYLIB), a preference bundle's executable a bundle (MH_BUNDLE). A file
// of the other kind is refused, as dyld refuses it.
#pragma once

namespace emu {

enum class ImageKind { Dylib, Bundle };

}  // namespace emu
