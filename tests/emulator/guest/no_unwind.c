// The raising replacement built without unwind information (as a C++
// source under -fno-exceptions is unless asked): the exception raised under
// it cannot pass its frame, so SpringBoard ends on an uncaught exception
// naming the replacement.
typedef struct objc_object* id;
typedef const struct objc_selector* SEL;
typedef void (*IMP)(void);

id objc_getClass(const char* name);
SEL sel_registerName(const char* name);
id objc_msgSend(id self, SEL cmd);
void MSHookMessageEx(id cls, SEL selector, IMP replacement, IMP* saved);

static IMP savedLoadView;

static volatile int sentCount;

// Not a tail call: its frame is on the stack when the exception is raised.
__attribute__((noinline)) void replacedLoadView(id self, SEL cmd) {
  (void)cmd;
  objc_msgSend(self, sel_registerName("noSuchMessageAnywhere"));
  ++sentCount;
}

__attribute__((constructor)) static void start(void) {
  MSHookMessageEx(objc_getClass("SBLockScreenNotificationListController"), sel_registerName("loadView"),
                  (IMP)replacedLoadView, &savedLoadView);
}
