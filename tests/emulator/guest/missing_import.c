// A guest module whose initialiser calls a function the host does not
// provide: loading it must fail, naming that function.
void NSUserName(void);
void objc_getClass(const char* name);

__attribute__((constructor)) static void start(void) {
  objc_getClass("SpringBoard");
  NSUserName();
}
