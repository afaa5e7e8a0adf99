#pragma once

#include "host/uikit.h"

namespace qst {

extern Saved<id(id, SEL, CGRect)> savedInitWithFrame;
// SBLockScreenView -initWithFrame:: remembers the view for the underlay rules.
id initWithFrame(id self, SEL cmd, CGRect frame);

}  // namespace qst
