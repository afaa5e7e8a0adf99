// The raising replacement with unwind information only in DWARF form: its
// frame is described by an FDE in __eh_frame (an escape the compact
// encoding cannot express), which the exception must pass.
typedef struct objc_object* id;
typedef const struct objc_selector* SEL;
typedef void (*IMP)(void);

id objc_getClass(const char* name);
SEL sel_registerName(const char* name);
void MSHookMessageEx(id cls, SEL selector, IMP replacement, IMP* saved);
void replacedLoadView(id self, SEL cmd);

static IMP savedLoadView;

__asm__(
    ".globl _replacedLoadView\n"
    ".p2align 2\n"
    "_replacedLoadView:\n"
    ".cfi_startproc\n"
    "  stp x29, x30, [sp, #-32]!\n"
    "  .cfi_def_cfa_offset 32\n"
    "  mov x29, sp\n"
    "  .cfi_def_cfa w29, 32\n"
    "  .cfi_offset w30, -24\n"
    "  .cfi_offset w29, -32\n"
    "  .cfi_escape 0x2e, 0x00\n"
    "  str x0, [sp, #16]\n"
    "  adrp x0, l_noSuchMessage@PAGE\n"
    "  add x0, x0, l_noSuchMessage@PAGEOFF\n"
    "  bl _sel_registerName\n"
    "  mov x1, x0\n"
    "  ldr x0, [sp, #16]\n"
    "  bl _objc_msgSend\n"
    "  ldp x29, x30, [sp], #32\n"
    "  ret\n"
    ".cfi_endproc\n"
    ".cstring\n"
    "l_noSuchMessage: .asciz \"noSuchMessageAnywhere\"\n"
    ".text\n");

__attribute__((constructor)) static void start(void) {
  MSHookMessageEx(objc_getClass("SBLockScreenNotificationListController"), sel_registerName("loadView"),
                  (IMP)replacedLoadView, &savedLoadView);
}
