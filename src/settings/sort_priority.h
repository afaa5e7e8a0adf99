// The place of the reminders among the system's notifications, from the
// companion product's source order: a signed year offset for the ordering
// dates of the library's bulletins, or kNoCustomSorting.
#pragma once

#include "host/objc.h"

extern "C" {
extern NSInteger sortPriority;
}

namespace qst {

inline constexpr NSInteger kNoCustomSorting = -100;

void loadSortPriority();

}  // namespace qst
