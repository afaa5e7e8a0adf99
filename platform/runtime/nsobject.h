// The root class NSObject and the runtime's memory management.
#pragma once

#include "runtime/objc.h"

namespace standin {

// The root class; registered when the platform starts.
Class nsObjectClass();

}  // namespace standin

void registerNSObject();

// The selector of +alloc, looked up once: stand-ins that make many objects
// send it without a lookup by name.
SEL allocSelector();
// [[cls alloc] init] for classes whose init takes no arguments.
id objc_new(Class cls);
id objc_new(const char* className);
