// CydiaSubstrate's method replacement.
#pragma once

#include "runtime/objc.h"

// Replaces the instance method `selector` of `cls` with `replacement` and
// stores the implementation that was in place in *result:
//  - the class implements the selector itself: its implementation is swapped
//    out and stored;
//  - it only inherits it: the replacement is installed on the class, and the
//    superclass's implementation is stored, so calling it reaches the
//    inherited behaviour;
//  - a nil class, or a selector the class does not answer: nothing is
//    installed and nil is stored.
void MSHookMessageEx(Class cls, SEL selector, IMP replacement, IMP* result);
