// What a control of the main page stores for the value its cell hands the
// controller: a switch a boolean, a slider a whole number, a numeric field a
// whole number within the row's bounds, a text field its text, a list the
// chosen value (the row's `absentValue` takes the key out, so the library's
// own default applies).
#pragma once

#include "host/preferences.h"

namespace qst::prefs {

struct StoredValue {
  enum class Kind { Store, Remove, Refuse } kind = Kind::Refuse;
  id value = nil;  // for Store; autoreleased
};

StoredValue storedValueFor(id specifier, id cellValue);

// What the row shows when the file has no value for its key.
id shownWhenAbsent(id specifier);

}  // namespace qst::prefs
