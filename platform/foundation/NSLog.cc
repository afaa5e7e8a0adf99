// NSLog: the system log, echoed to stderr and captured for tests and the
// simulator.
#include "foundation/NSLog.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <thread>

namespace {

struct Log {
  std::mutex lock;
  std::vector<std::string> lines;
  bool echo = true;
  std::string process = "process";
};

Log& log() {
  static Log* l = new Log;  // used until the very end of the process
  return *l;
}

std::string timestamp() {
  using namespace std::chrono;
  auto now = system_clock::now();
  std::time_t seconds = system_clock::to_time_t(now);
  long millis = static_cast<long>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
  std::tm local{};
  localtime_r(&seconds, &local);
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d.%03ld", local.tm_year + 1900, local.tm_mon + 1,
                local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec, millis);
  return buffer;
}

}  // namespace

void NSLogv(id format, const standin::FormatArgs& args) {
  standin::systemLog(standin::formatToUTF8(standin::utf8Of(format), args));
}

void standin::systemLog(const std::string& message) {
  Log& l = log();
  std::lock_guard guard(l.lock);
  l.lines.push_back(message);
  if (l.echo) {
    auto thread = std::hash<std::thread::id>{}(std::this_thread::get_id()) % 100000;
    std::fprintf(stderr, "%s %s[%d:%zu] %s\n", timestamp().c_str(), l.process.c_str(), static_cast<int>(getpid()),
                 static_cast<size_t>(thread), message.c_str());
  }
}

std::vector<std::string> standin::capturedLogLines() {
  std::lock_guard guard(log().lock);
  return log().lines;
}

void standin::clearLogCaptureForTesting() {
  std::lock_guard guard(log().lock);
  log().lines.clear();
}

size_t standin::capturedLogCount() {
  std::lock_guard guard(log().lock);
  return log().lines.size();
}

void standin::truncateLogCapture(size_t count) {
  std::lock_guard guard(log().lock);
  if (count < log().lines.size()) log().lines.resize(count);
}

void standin::setLogEcho(bool echo) {
  std::lock_guard guard(log().lock);
  log().echo = echo;
}

void standin::setLogProcessName(const std::string& name) {
  std::lock_guard guard(log().lock);
  log().process = name;
}
