// A guest module that replaces the list controller's loadView with a
// function sending a message nobody implements: the runtime's exception must
// cross the guest and reach SpringBoard as it would on a device.
typedef struct objc_object* id;
typedef const struct objc_selector* SEL;
typedef void (*IMP)(void);

id objc_getClass(const char* name);
SEL sel_registerName(const char* name);
id objc_msgSend(id self, SEL cmd);
void MSHookMessageEx(id cls, SEL selector, IMP replacement, IMP* saved);

static IMP savedLoadView;

static volatile int sentCount;

// Not a tail call: its frame, which its unwind information covers, is on
// the stack when the exception passes.
static void loadView(id self, SEL cmd) {
  (void)cmd;
  objc_msgSend(self, sel_registerName("noSuchMessageAnywhere"));
  ++sentCount;
}

__attribute__((constructor)) static void start(void) {
  MSHookMessageEx(objc_getClass("SBLockScreenNotificationListController"), sel_registerName("loadView"), (IMP)loadView,
                  &savedLoadView);
}
