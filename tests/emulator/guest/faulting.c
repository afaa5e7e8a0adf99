// A guest module whose initialiser reads through a null pointer inside a
// named function: the run must end naming that function.
void* objc_getClass(const char* name);

__attribute__((noinline)) int readThroughNothing(volatile int* p) { return *p + 1; }

__attribute__((constructor)) static void start(void) {
  volatile int* nothing = (volatile int*)objc_getClass("NoSuchClassAnywhere");
  readThroughNothing(nothing);
}
