// A guest module whose initialiser takes the address of a function the host
// does not provide: the address is a non-lazy import, bound as the module
// loads, so loading it must fail, naming that function.
void NSUserName(void);
void objc_getClass(const char* name);

__attribute__((constructor)) static void start(void) {
  objc_getClass("SpringBoard");
  void (*volatile userName)(void) = NSUserName;
  userName();
}
