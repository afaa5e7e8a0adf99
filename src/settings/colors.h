// The colour index by which the settings file names a text colour.
#pragma once

#include "host/objc.h"

namespace qst {

// "textColor" 999: the title takes the colour of the reminder's list.
inline constexpr NSInteger kListColorIndex = 999;

id systemColor(const char* name);  // [UIColor <name>]
// Index 0-9 picks a system colour; anything else (negative values included,
// indices being compared unsigned) gives white.
id textColorForIndex(NSInteger index);
// The same, except that 2 is white at half opacity.
id dateColorForIndex(NSInteger index);

}  // namespace qst
