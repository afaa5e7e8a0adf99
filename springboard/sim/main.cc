// springboard-sim: boots the simulated SpringBoard with the library, locks
// the device, lives through a scenario and shows the lock screen.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <utility>

#include "Device.h"
#include "foundation/NSDate.h"
#include "foundation/NSLog.h"
#include "foundation/device.h"
#include "base/host_path.h"
#include "picture.h"
#include "class_listing.h"
#include "report.h"
#include "runtime/autorelease.h"
#include "scenario.h"
#include "time_text.h"
#include "trace/trace.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kSampleMoment = "2026-03-14T09:30:00Z";
constexpr const char* kVersionLine =
    "springboard-sim " SPRINGBOARD_SIM_VERSION " (QuillstoneBriarwhistle " QST_PACKAGE_VERSION ")";

struct Options {
  std::string root = QST_SAMPLE_ROOT;
  std::string ios = "7.1";
  std::string now = kSampleMoment;
  std::string tz = "Europe/London";
  std::string calendar = "gregorian";
  std::string events;
  std::string png;
  std::string pngSteps;
  std::vector<std::string> settings;
  bool json = false;
  bool trace = false;
  bool hooks = false;
  bool classes = false;
  std::optional<std::string> module;  // --module: overrides $QST_MODULE
  std::string arch = sb::DeviceOptions::defaultArch();
  std::string install;  // --install PACKAGE.deb
};

int fail(const std::string& message, int code = 2) {
  std::cerr << "springboard-sim: " << message << "\n";
  return code;
}

// "00-lock.png", "01-nowplaying.png", …: the step's number and first word.
std::string stepPictureName(size_t number, const std::string& step) {
  char prefix[16];
  std::snprintf(prefix, sizeof prefix, "%02zu-", number);
  return prefix + step.substr(0, step.find_first_of(" \t")) + ".png";
}

}  // namespace

int main(int argc, char** argv) {
  // Only std::cout writes to standard output: its own buffer, not stdio's
  // character by character, for documents of hundreds of megabytes.
  std::ios::sync_with_stdio(false);
  Options o;
  CLI::App app{"Simulated SpringBoard: locks a device with the library loaded and shows its lock screen."};
  app.add_option("--root", o.root, "device root folder (default: the sample root)");
  app.add_option("--ios", o.ios, "iOS version: " + standin::knownSystemVersionsText() + " (default 7.1)");
  app.add_option("--now", o.now, std::string("the moment of the lock, ISO 8601 (default ") + kSampleMoment + ")");
  app.add_option("--tz", o.tz, "time zone, an IANA name (default Europe/London)");
  app.add_option("--calendar", o.calendar,
                 "the user's calendar: " + standin::knownCalendarsText() + " (default gregorian)");
  app.add_flag("--json", o.json, "print one JSON document instead of a table");
  app.add_option("--events", o.events, "scenario after the lock, steps separated by ';'");
  app.add_option("--png", o.png, "also draw the lock screen at the end into this PNG file");
  app.add_option("--png-steps", o.pngSteps, "also draw the lock screen after the lock and each step into this folder");
  app.add_option("--set", o.settings,
                 "KEY=VALUE: run with these settings in place of the root's settings file (repeatable)");
  app.add_flag("--trace", o.trace,
               "show every call into the library's replacements and every message it sends to SpringBoard");
  app.add_flag("--hooks", o.hooks, "show the methods the library replaced and added, in the order it did");
  app.add_flag("--classes", o.classes,
               "print SpringBoard's simulated classes of --ios (superclass, instance variables, methods) and stop");
  app.add_option("--module", o.module,
                 "the library to map: the Linux module or a Mach-O dylib (run under emulation); none: no library");
  app.add_option("--install", o.install,
                 "PACKAGE.deb: boot with the package installed (unpacked above the root, never into it)");
  app.add_option("--arch", o.arch, "the slice of a Mach-O dylib to run: arm64 or armv7 (default arm64, or $QST_ARCH)");
  app.set_version_flag("--version", kVersionLine,
                       "print the simulator's version and the package version it was built with");
  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& e) {  // --help, --version
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    // An option the simulator cannot take is refused as every other input
    // of its own is: one line with its name, and exit 2. CLI11's own codes
    // (106 to 120) would say nothing to a script that checks for 2.
    return fail(e.what());
  }

  if (o.arch != "arm64" && o.arch != "armv7") return fail("--arch \"" + o.arch + "\": known are arm64 and armv7");
  double foundation = 0;
  if (!standin::foundationVersionForSystemVersion(o.ios, &foundation))
    return fail("unknown iOS version \"" + o.ios + "\" (known: " + standin::knownSystemVersionsText() + ")");
  std::error_code ec;
  if (!fs::is_directory(o.root, ec)) return fail("--root " + o.root + " is not a readable folder");
  if (!sb::parseISO8601("2001-01-01", o.tz)) return fail("--tz \"" + o.tz + "\" is not a known IANA time zone");
  // The device takes the same calendar again when it boots.
  if (!standin::setCurrentCalendarIdentifier(o.calendar))
    return fail("--calendar \"" + o.calendar + "\": known are " + standin::knownCalendarsText());
  std::optional<NSTimeInterval> now = sb::parseISO8601(o.now, o.tz);
  if (!now) return fail("--now \"" + o.now + "\" is not an ISO 8601 moment (e.g. " + kSampleMoment + ")");
  std::vector<sb::ScenarioStep> steps;
  try {
    steps = sb::parseScenario(o.events);
  } catch (const sb::ScenarioError& e) {
    return fail(std::string("--events: ") + e.what());
  }
  // A key the library does not read is written all the same, as another
  // program's key would be, but a misspelt one should not pass unseen.
  auto noteUnknownKey = [](const std::string& key) {
    const std::string note = sb::unknownSettingNote(key);
    if (!note.empty()) std::cerr << "springboard-sim: note: " << note << "\n";
  };
  std::optional<sb::Settings> settings;
  for (const std::string& assignment : o.settings) {
    size_t equals = assignment.find('=');
    if (equals == std::string::npos || equals == 0) return fail("--set \"" + assignment + "\": expected KEY=VALUE");
    noteUnknownKey(assignment.substr(0, equals));
    try {
      if (!settings) settings.emplace();
      (*settings)[assignment.substr(0, equals)] =
          sb::typedSetting(assignment.substr(0, equals), assignment.substr(equals + 1));
    } catch (const sb::SettingError& e) {
      return fail("--set \"" + assignment + "\": " + e.what());
    }
  }
  for (const sb::ScenarioStep& step : steps)
    if (step.kind == sb::ScenarioStep::Kind::Set) noteUnknownKey(step.key);
  for (const std::string* path : {&o.png, &o.pngSteps})
    if (!path->empty() && hostPathLiesIn(*path, o.root))
      return fail(*path + " lies in the device root; the simulator writes nothing there");
  if (!o.pngSteps.empty()) {
    fs::create_directories(o.pngSteps, ec);
    if (!fs::is_directory(o.pngSteps, ec)) return fail("--png-steps " + o.pngSteps + ": cannot make that folder");
  }

  standin::setLogEcho(false);
  AutoreleasePool pool;
  try {
    sb::DeviceOptions options;
    options.root = o.root;
    options.systemVersion = o.ios;
    options.now = *now;
    options.timeZone = o.tz;
    options.calendar = o.calendar;
    options.traceCalls = o.trace;
    options.settings = settings;
    if (o.module) options.modulePath = *o.module == "none" ? "" : *o.module;
    options.arch = o.arch;
    options.install = o.install;
    if (o.classes) {
      // SpringBoard's own classes: no library adds to them, no package is
      // installed; the encodings are the --arch slice's.
      options.modulePath.clear();
      options.install.clear();
      sb::Device device(options);
      setSimulatedSlice(o.arch == "armv7" ? DeviceSlice::Armv7 : DeviceSlice::Arm64);
      sim::writeClassListing(std::cout, o.ios, o.json);
      return 0;
    }
    sb::Device device(options);
    const sim::Run run{o.ios, o.now, o.tz, o.calendar, options.modulePath, o.trace};
    std::unique_ptr<sim::Report> report =
        o.json ? sim::makeJsonReport(std::cout, run, device) : sim::makeTextReport(std::cout, run);
    if (const sb::Device::Installed* installed = device.installed()) report->installed(o.install, *installed);
    if (o.hooks) report->hooks(sb::trace::installedMethods());
    try {
      sb::checkPaneSteps(device, steps);
    } catch (const sb::ScenarioError& e) {
      return fail(std::string("--events: ") + e.what());
    }
    device.lock();

    // The trace is taken after the lock and after each step, traced or not,
    // so that each holds its own stretch.
    auto takeTrace = [] {
      sim::Traced trace;
      trace.events = sb::trace::takeEvents(&trace.omitted);
      return trace;
    };
    // A step that shows the settings pane is drawn as its page, every other
    // as the lock screen.
    auto drawStep = [&](size_t number, const std::string& step, const std::vector<sb::PanePage>& pages = {}) {
      if (o.pngSteps.empty()) return true;
      std::string error, path = (fs::path(o.pngSteps) / stepPictureName(number, step)).string();
      if (pages.empty() ? sim::drawLockScreenPNG(device, path, &error) : sim::drawPanePNG(pages.front(), path, &error))
        return true;
      std::cerr << "springboard-sim: --png-steps " << error << "\n";
      return false;
    };
    sim::Traced lockTrace = takeTrace();
    if (!drawStep(0, "lock")) return 2;
    sb::Snapshot lock = device.snapshot();
    size_t logSeen = lock.log.size();
    report->lock(std::move(lock), lockTrace);

    // Each step's screen is reported as soon as it is read and let go before
    // the next step, so a scenario holds no more than one lock's worth.
    for (size_t i = 0; i < steps.size(); ++i) {
      report->stepStarts();
      sb::StepResult result = sb::runScenarioStep(device, steps[i]);
      sim::Traced trace = takeTrace();
      sb::Snapshot after = device.snapshot();
      const size_t firstLogLine = std::exchange(logSeen, after.log.size());
      report->step(steps[i], result, std::move(after), firstLogLine, trace);
      if (!drawStep(i + 1, steps[i].text, result.pages)) return 2;
    }
    report->finish();
    if (!o.png.empty()) {
      std::string error;
      if (!sim::drawLockScreenPNG(device, o.png, &error)) return fail("--png " + error);
    }
  } catch (const sb::DeviceError& e) {
    return fail(e.what());
  } catch (const std::exception& e) {
    return fail(std::string("SpringBoard crashed: ") + e.what(), 3);
  }
  return 0;
}
