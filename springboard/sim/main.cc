// springboard-sim: boots the simulated SpringBoard with the library, locks
// the device, lives through a scenario and shows the lock screen.
#include <CLI/CLI.hpp>
#include <filesystem>
#include <iostream>

#include "Device.h"
#include "foundation/NSLog.h"
#include "foundation/device.h"
#include "picture.h"
#include "report.h"
#include "runtime/autorelease.h"
#include "scenario.h"
#include "time_text.h"

namespace {

constexpr const char* kSampleMoment = "2026-03-14T09:30:00Z";

struct Options {
  std::string root = QST_SAMPLE_ROOT;
  std::string ios = "7.1";
  std::string now = kSampleMoment;
  std::string tz = "Europe/London";
  std::string events;
  std::string png;
  bool json = false;
};

int fail(const std::string& message, int code = 2) {
  std::cerr << "springboard-sim: " << message << "\n";
  return code;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  CLI::App app{"Simulated SpringBoard: locks a device with the library loaded and shows its lock screen."};
  app.add_option("--root", o.root, "device root folder (default: the sample root)");
  app.add_option("--ios", o.ios, "iOS version: 7.0, 7.1, 8.0 ... 8.4, 9.0 ... 9.3 (default 7.1)");
  app.add_option("--now", o.now, std::string("the moment of the lock, ISO 8601 (default ") + kSampleMoment + ")");
  app.add_option("--tz", o.tz, "time zone, an IANA name (default Europe/London)");
  app.add_flag("--json", o.json, "print one JSON document instead of a table");
  app.add_option("--events", o.events, "scenario after the lock, steps separated by ';'");
  app.add_option("--png", o.png, "also draw the lock screen at the end into this PNG file");
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e);
  }

  double foundation = 0;
  if (!NSFoundationVersionForSystemVersion(o.ios, &foundation))
    return fail("unknown iOS version \"" + o.ios + "\" (known: 7.0, 7.1, 8.0 ... 8.4, 9.0 ... 9.3)");
  std::error_code ec;
  if (!std::filesystem::is_directory(o.root, ec)) return fail("--root " + o.root + " is not a readable folder");
  if (!sb::parseISO8601("2001-01-01", o.tz)) return fail("--tz \"" + o.tz + "\" is not a known IANA time zone");
  std::optional<NSTimeInterval> now = sb::parseISO8601(o.now, o.tz);
  if (!now) return fail("--now \"" + o.now + "\" is not an ISO 8601 moment (e.g. " + kSampleMoment + ")");
  std::vector<sb::ScenarioStep> steps;
  try {
    steps = sb::parseScenario(o.events);
  } catch (const sb::ScenarioError& e) {
    return fail(std::string("--events: ") + e.what());
  }

  NSLogSetEcho(false);
  AutoreleasePool pool;
  try {
    sb::DeviceOptions options;
    options.root = o.root;
    options.systemVersion = o.ios;
    options.now = *now;
    options.timeZone = o.tz;
    sb::Device device(options);
    device.lock();

    nlohmann::json stepsJson = nlohmann::json::array();
    if (!o.json) {
      std::cout << "== lock (iOS " << o.ios << ", " << o.now << ", " << o.tz << ")\n";
      sim::printSnapshotTable(std::cout, device.snapshot());
    }
    size_t logSeen = device.snapshot().log.size();
    for (const sb::ScenarioStep& step : steps) {
      bool editable = sb::runScenarioStep(device, step);
      sb::Snapshot after = device.snapshot();
      if (o.json) {
        nlohmann::json entry = sim::snapshotJson(after, logSeen);
        entry["step"] = step.text;
        if (step.kind == sb::ScenarioStep::Kind::Edit) entry["canEdit"] = editable;
        stepsJson.push_back(entry);
      } else {
        std::cout << "\n== " << step.text;
        if (step.kind == sb::ScenarioStep::Kind::Edit) std::cout << ": " << (editable ? "editable" : "not editable");
        std::cout << "\n";
        sim::printSnapshotTable(std::cout, after, logSeen);
      }
      logSeen = after.log.size();
    }
    sb::Snapshot final = device.snapshot();
    if (o.json) {
      nlohmann::json document = sim::snapshotJson(final);
      if (!steps.empty()) document["steps"] = stepsJson;
      std::cout << document.dump(2) << "\n";
    }
    if (!o.png.empty()) {
      std::string error;
      if (!sim::drawLockScreenPNG(device, o.png, &error)) return fail(error);
    }
  } catch (const sb::DeviceError& e) {
    return fail(e.what());
  } catch (const std::exception& e) {
    return fail(std::string("SpringBoard crashed: ") + e.what(), 3);
  }
  return 0;
}
