// A guest module that links HealthKit, which iOS 7 does not have: dyld
// refuses it before anything runs.
extern void* HKErrorDomain;
void* objc_getClass(const char* name);

__attribute__((constructor)) static void start(void) {
  if (HKErrorDomain) objc_getClass("SpringBoard");
}
