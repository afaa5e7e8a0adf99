// A guest module whose initialiser saves a file as a settings pane does
// (open a new file, write, fsync, close, rename) and checks what must be
// refused: a path climbing out with "..", opening for reading, writing to a
// descriptor it did not open (standard output). Any wrong answer reads
// through a null pointer, so the run ends with a guest fault.
int open(const char* path, int flags, ...);
long write(int fd, const void* bytes, unsigned long length);
int fsync(int fd);
int close(int fd);
int rename(const char* from, const char* to);
int unlink(const char* path);

// Darwin's O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, and O_RDONLY.
#define CREATE_FLAGS (0x0001 | 0x0200 | 0x0400 | 0x1000000)
#define READ_ONLY 0

__attribute__((noinline)) static void failed(const char* check) {
  (void)check;
  *(volatile int*)0 = 1;
}

__attribute__((constructor)) static void start(void) {
  const char* partial = "/var/mobile/Library/Preferences/guest-file.plist.new";
  const char* path = "/var/mobile/Library/Preferences/guest-file.plist";
  int fd = open(partial, CREATE_FLAGS, 0644);
  if (fd < 0) failed("open a new file");
  if (write(fd, "saved", 5) != 5) failed("write");
  if (fsync(fd) != 0) failed("fsync");
  if (close(fd) != 0) failed("close");
  if (rename(partial, path) != 0) failed("rename");
  if (close(fd) != -1) failed("close twice");
  if (open("/var/mobile/../../escaped", CREATE_FLAGS, 0644) != -1) failed("a path climbing out");
  if (open(path, READ_ONLY) != -1) failed("open for reading");
  if (write(1, "x", 1) != -1) failed("write to a descriptor not opened");
  if (unlink(path) != 0) failed("unlink");
}
