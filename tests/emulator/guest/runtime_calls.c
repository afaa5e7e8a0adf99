// A guest module whose initialiser checks the runtime and C-library calls
// that no other module reaches: a message to the superclass's method, a
// class made at run time, memcpy and strlen (and, for its buffer, the stack
// protector). Any wrong answer reads through a null pointer, so the run
// ends with a guest fault.
typedef struct objc_object* id;
typedef struct objc_object* Class;
typedef const struct objc_selector* SEL;
struct objc_super {
  id receiver;
  Class super_class;
};

Class objc_getClass(const char* name);
SEL sel_registerName(const char* name);
id objc_msgSend(id self, SEL cmd);
id objc_msgSendSuper(struct objc_super* super, SEL cmd);
Class objc_allocateClassPair(Class superclass, const char* name, unsigned long extraBytes);
void objc_registerClassPair(Class cls);
Class class_getSuperclass(Class cls);
void* memcpy(void* to, const void* from, unsigned long length);
unsigned long strlen(const char* text);

__attribute__((noinline)) static void failed(const char* check) {
  (void)check;
  *(volatile int*)0 = 1;
}

__attribute__((constructor)) static void start(void) {
  Class object = objc_getClass("NSObject");
  Class made = objc_allocateClassPair(object, "GuestMadeClass", 0);
  objc_registerClassPair(made);
  if (class_getSuperclass(made) != object) failed("superclass");
  id instance = objc_msgSend(objc_msgSend(made, sel_registerName("alloc")), sel_registerName("init"));
  struct objc_super super = {instance, object};
  if (objc_msgSendSuper(&super, sel_registerName("self")) != instance) failed("messageToSuper");
  char copy[16];
  memcpy(copy, "fifteen letters", 16);
  if (strlen(copy) != 15 || copy[14] != 's') failed("memcpy");
  objc_msgSend(instance, sel_registerName("release"));
}
