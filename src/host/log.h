// Every line the library writes to the system log begins "QST: ": formats
// begin "%@ " and take this prefix as their first argument.
#pragma once

#include "host/foundation.h"

namespace qst {
inline id logPrefix() { return QST_STR("QST:"); }
}  // namespace qst
