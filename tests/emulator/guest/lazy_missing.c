// A guest module whose replacement of the list controller's loadView calls a
// function the host does not provide. The call goes through a lazy pointer:
// the module loads and its initialiser runs, and the run ends at that first
// call, in dyld's words.
typedef struct objc_object* id;
typedef const struct objc_selector* SEL;
typedef void (*IMP)(void);

id objc_getClass(const char* name);
SEL sel_registerName(const char* name);
void MSHookMessageEx(id cls, SEL selector, IMP replacement, IMP* saved);
void NSUserName(void);

static IMP savedLoadView;

static void loadView(id self, SEL cmd) {
  (void)self;
  (void)cmd;
  NSUserName();
}

__attribute__((constructor)) static void start(void) {
  MSHookMessageEx(objc_getClass("SBLockScreenNotificationListController"), sel_registerName("loadView"), (IMP)loadView,
                  &savedLoadView);
}
