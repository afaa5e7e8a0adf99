// Soak: one simulated SpringBoard process locks again and again, as a phone
// does over weeks, and reports its memory after 100, 1,000 and 10,000 locks.
// Memory that stays flat means nothing a lock makes outlives the lock.
//
//   bench_soak [--root DIR] [--locks N] [--nowplaying]
//
// --root: the device root (default: the sample root; only read).
// --locks: how many locks (default 10000); figures at 100, 1,000, 10,000
//   and every further power of ten up to N, and at N.
// --nowplaying: each lock also starts music and waits the five seconds in
//   which the own rows leave the list, then the music ends.
//
// The simulator keeps every log line for its reports; the soak drops them
// after each lock so that only SpringBoard's and the library's memory counts.
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>

#include "Device.h"
#include "foundation/NSLog.h"

namespace {

// A figure of /proc/self/status in kB ("VmRSS", "VmHWM"); -1 if unknown.
long statusKilobytes(std::string_view field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(field, 0) != 0 || line.size() <= field.size() || line[field.size()] != ':') continue;
    const char* first = line.c_str() + field.size() + 1;
    while (*first == ' ' || *first == '\t') ++first;
    long kb = -1;
    std::from_chars(first, line.c_str() + line.size(), kb);
    return kb;
  }
  return -1;
}

bool isCheckpoint(long lock, long last) {
  if (lock == last) return true;
  if (lock < 100) return false;
  for (long p = 100; p <= lock; p *= 10)
    if (p == lock) return true;
  return false;
}

int usage(const char* why) {
  std::fprintf(stderr, "bench_soak: %s\nusage: bench_soak [--root DIR] [--locks N] [--nowplaying]\n", why);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  sb::DeviceOptions options;
  options.root = QST_SAMPLE_ROOT;
  options.now = 795173400;  // 2026-03-14 09:30 UTC, the simulator's default moment
  long locks = 10000;
  bool nowPlaying = false;
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (arg == "--nowplaying") {
      nowPlaying = true;
    } else if ((arg == "--root" || arg == "--locks") && i + 1 < argc) {
      std::string_view value = argv[++i];
      if (arg == "--root") {
        options.root = std::string(value);
      } else {
        auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), locks);
        if (error != std::errc() || end != value.data() + value.size() || locks < 1 || locks > 10'000'000)
          return usage("--locks takes a whole number from 1 to 10000000");
      }
    } else {
      return usage("unknown argument");
    }
  }

  standin::setLogEcho(false);
  try {
    sb::Device device(options);
    std::printf("%10s %12s %12s\n", "locks", "rss_kB", "peak_rss_kB");
    for (long lock = 1; lock <= locks; ++lock) {
      if (lock == 1)
        device.lock();
      else
        device.relock();
      if (nowPlaying) {
        device.nowPlaying();
        device.wait(5);
        device.nowPlayingEnd();
      }
      standin::clearLogCaptureForTesting();
      if (isCheckpoint(lock, locks))
        std::printf("%10ld %12ld %12ld\n", lock, statusKilobytes("VmRSS"), statusKilobytes("VmHWM"));
      std::fflush(stdout);
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench_soak: %s\n", e.what());
    return 1;
  }
  return 0;
}
