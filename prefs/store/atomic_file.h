// Writing a file whole: the bytes go to "<path>.new", which is synced and
// then renamed over the file, so a reader at any moment opens the old file
// or the new one, never a part of either.
#pragma once

#include "host/preferences.h"

namespace qst::prefs {

// The device path (an NSString) and the bytes (NSData). False, leaving the
// file as it was, when any step fails.
bool writeFileAtomically(id devicePath, id data);

}  // namespace qst::prefs
