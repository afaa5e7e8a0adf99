// Turns one reminder into the bulletin the lock screen shows for it. Its
// identifier (feed/bulletin_id.h) is how every other rule recognises the
// library's rows and finds their colour.
#pragma once

#include "host/objc.h"

namespace qst {

// A new bulletin (+1, owned by the caller) for the reminder at `index`; what
// else it makes is autoreleased into the caller's pool.
id composeBulletin(id reminder, NSUInteger index);

}  // namespace qst
