// NSLog: one line per message on stderr in NSLog's shape
//   2026-12-06 03:01:27.123 SpringBoard[1234:5678] QST: got 3 reminders
// and a process-wide capture that tests and the simulator read.
#pragma once

#include <string>
#include <vector>

#include "foundation/NSString.h"

void NSLogv(id format, const standin::FormatArgs& args);

template <class... A>
void NSLog(id format, A... args) {
  NSLogv(format, standin::FormatArgs{standin::formatArgOf(args)...});
}

namespace standin {

// One line into the system log as syslog(3) writes it, for the callers that
// are not Foundation (Substrate's MSLog); NSLog writes through here too.
void systemLog(const std::string& message);

// The messages logged so far (message text only, without the date prefix).
std::vector<std::string> capturedLogLines();
void clearLogCaptureForTesting();
// How many lines are captured; and keeping only the first `count` of them:
// an onlooker's reading of the screen that made the system log lines takes
// them back.
size_t capturedLogCount();
void truncateLogCapture(size_t count);
// Whether lines also go to stderr (on by default).
void setLogEcho(bool echo);
// The process name shown in each line ("SpringBoard" in the simulator).
void setLogProcessName(const std::string& name);

}  // namespace standin
