// CydiaSubstrate's method replacement.
#pragma once

#include "runtime/objc.h"

// Replaces the instance method `selector` of `cls` with `replacement` and
// stores the implementation that was in place in *result, as Substrate's
// public ObjectiveC.cpp does:
//  - the class implements the selector itself: its implementation is swapped
//    out and stored;
//  - it only inherits it: the replacement is added to the class with the
//    inherited method's types, and the superclass's implementation is
//    stored, so calling it reaches the inherited behaviour;
//  - a nil class, selector or replacement, or a selector the class does not
//    answer: nothing is installed, *result is not written, and the system
//    log gets Substrate's "MS:Warning: nil class argument" (sel, imp) or
//    "MS:Warning: message not found [CLASS SELECTOR]".
void MSHookMessageEx(Class cls, SEL selector, IMP replacement, IMP* result);

// What one MSHookMessageEx call found, as a tracing tool sees it.
struct MSHookEvent {
  enum class Found { Own, Inherited, Missing };
  Class cls = nil;
  SEL selector = nullptr;
  const char* types = nullptr;  // the method's type encoding; null when missing
  Found found = Found::Missing;
  IMP replacement;  // what the caller asked to install
  IMP previous;     // what it replaces; nil when missing
};

// A tracing tool's view of the hooks: called at every MSHookMessageEx with a
// class and selector, before anything is installed. It may set *install to
// another implementation to put in place of the replacement and *handedBack
// to another one to store as the saved implementation (both start as the
// call's own). Hooks happen while modules load, so this costs nothing once
// they are in place. Null stops observing.
using MSHookObserver = void (*)(const MSHookEvent& event, IMP* install, IMP* handedBack);
void MSSetHookObserver(MSHookObserver observer);
