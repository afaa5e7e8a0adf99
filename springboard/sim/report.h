// What springboard-sim reports of a run, told in the order it happens: what
// the package installed and the methods the library installed, then the
// lock, then each step, then the end. Each form of output (a table for a
// reader, one JSON document) is an implementation that writes what it is
// told in its own layout and at its own time; main.cc only drives it.
#pragma once

#include <cstddef>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "Device.h"
#include "Snapshot.h"
#include "scenario.h"
#include "trace/trace.h"

namespace sim {

// The run as the user asked for it.
struct Run {
  std::string ios, now, timeZone, calendar;  // as given on the command line
  std::string modulePath;                    // the library asked for; empty: none
  bool traced = false;                       // --trace
};

// The trace of one stretch of the run (the lock, a step), and how many of
// its events were not kept.
struct Traced {
  std::vector<sb::trace::Event> events;
  std::size_t omitted = 0;
};

class Report {
 public:
  virtual ~Report() = default;

  // Before the lock: what --install brought, and the methods the library
  // replaced and added (--hooks).
  virtual void installed(const std::string& packagePath, const sb::Device::Installed& installed) = 0;
  virtual void hooks(const std::vector<sb::trace::InstalledMethod>& methods) = 0;
  // The lock screen as the lock left it, before any step.
  virtual void lock(sb::Snapshot screen, const Traced& trace) = 0;
  // A step is about to run. A form that writes as it goes opens the step's
  // place here, so that a run that stops inside the step leaves its output
  // as far as it got.
  virtual void stepStarts() {}
  // A step has run: what it answered, and the lock screen after it, whose
  // log lines from firstLogLine on are the step's own.
  virtual void step(const sb::ScenarioStep& step, const sb::StepResult& result, sb::Snapshot screen,
                    std::size_t firstLogLine, const Traced& trace) = 0;
  // After the last step.
  virtual void finish() = 0;
};

// A table of the list, the underlay, the screen and the log, for the lock
// and after each step.
std::unique_ptr<Report> makeTextReport(std::ostream& out, const Run& run);
// One JSON document: the lock at the top level, the steps in "steps". The
// device is asked at the lock which library and pane it ran.
std::unique_ptr<Report> makeJsonReport(std::ostream& out, const Run& run, const sb::Device& device);

}  // namespace sim
