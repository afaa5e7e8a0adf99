// A guest module linked against a Foundation newer than any iOS 7 device
// has (compatibility version 400.0.0 against the device's 300.0.0): dyld
// refuses it before anything runs.
void NSLog(void* format, ...);
void* objc_getClass(const char* name);

__attribute__((constructor)) static void start(void) { NSLog(objc_getClass("NSString")); }
