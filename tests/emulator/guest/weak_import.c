// A guest module that imports a function the host lacks weakly and tests
// its address, as code that runs on older systems does: the import binds to
// 0, as dyld binds a missing weak import, and the module loads and runs.
void NSUserName(void) __attribute__((weak_import));
void* objc_getClass(const char* name);

__attribute__((noinline)) static void failed(void) { *(volatile int*)0 = 1; }

__attribute__((constructor)) static void start(void) {
  void (*volatile userName)(void) = NSUserName;
  if (userName) failed();
  if (!objc_getClass("SpringBoard")) failed();
}
