// The report as one JSON document, written as the run goes: the lock's
// members in key order up to "steps", each step as it ends, and the lock's
// members after "steps" at the end. Nothing but the current step's rows is
// held, however long the scenario.
#include <filesystem>

#include "report.h"
#include "report_parts.h"

namespace sim {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

// The member that holds the steps; the lock's members sort around it.
constexpr const char* kSteps = "steps";

// Which library ran: its file, and the processor whose code ran ("host" for
// the Linux module, else the dylib's slice); null when none.
json moduleJson(const std::string& path, const std::string& arch) {
  if (path.empty()) return nullptr;
  return {{"file", fs::path(path).filename().string()}, {"arch", arch}};
}

// What the package brought: each load-in with the loader's answer, and the
// Settings app's entries.
json installJson(const sb::Device::Installed& installed) {
  json loadIns = json::array(), panes = json::array();
  for (const sb::LoadIn& l : installed.loadIns)
    loadIns.push_back({{"path", l.devicePath}, {"loaded", l.selected}, {"reason", l.reason}});
  for (const sb::PaneEntry& p : installed.panes)
    panes.push_back({{"entry", p.entryPath},
                     {"bundle", p.bundlePath},
                     {"label", p.label},
                     {"icon", p.icon},
                     {"isController", p.isController}});
  return {{"package", installed.package}, {"loadIns", loadIns}, {"panes", panes}};
}

json traceMembers(const Traced& trace) {
  json members = {{"trace", traceJson(trace.events)}};
  if (trace.omitted) members["traceOmitted"] = trace.omitted;
  return members;
}

class JsonReport : public Report {
 public:
  JsonReport(std::ostream& out, const Run& run, const sb::Device& device)
      : out_(out), stream_(out), run_(run), device_(device) {}

  void installed(const std::string&, const sb::Device::Installed& installed) override {
    top_["install"] = installJson(installed);
  }

  void hooks(const std::vector<sb::trace::InstalledMethod>& methods) override { top_["hooks"] = hooksJson(methods); }

  void lock(sb::Snapshot screen, const Traced& trace) override {
    json members = snapshotJson(screen, 0);
    members.update(top_);
    members.update(origins());
    members["version"] = {{"simulator", SPRINGBOARD_SIM_VERSION}, {"package", QST_PACKAGE_VERSION}};
    if (run_.traced) members.update(traceMembers(trace));
    // The members after "steps" wait for the end.
    for (auto it = members.begin(); it != members.end();) {
      if (it.key() > kSteps) {
        afterSteps_[it.key()] = std::move(it.value());
        it = members.erase(it);
      } else {
        ++it;
      }
    }
    stream_.beginObject();
    writeMembersWithRows(stream_, std::move(screen), members);
  }

  void stepStarts() override {
    if (!stepsBegun_) {
      stream_.key(kSteps);
      stream_.beginArray();
      stepsBegun_ = true;
    }
    stream_.element();
  }

  void step(const sb::ScenarioStep& step, const sb::StepResult& result, sb::Snapshot screen, std::size_t firstLogLine,
            const Traced& trace) override {
    json entry = json::object();
    entry["step"] = step.text;
    if (step.kind == sb::ScenarioStep::Kind::Edit) entry["canEdit"] = result.canEdit;
    if (step.kind == sb::ScenarioStep::Kind::Open)
      entry["opened"] = result.opened ? json(*result.opened) : json(nullptr);
    if (!result.pages.empty()) entry["pane"] = paneJson(result.pages);
    if (run_.traced) entry.update(traceMembers(trace));
    writeSnapshot(stream_, std::move(screen), firstLogLine, entry);
  }

  void finish() override {
    if (stepsBegun_) stream_.endArray();
    stream_.members(afterSteps_);
    stream_.endObject();
    stream_.flush();
    out_ << "\n";
  }

 private:
  // The library that ran and where it came from, and the settings pane the
  // pane steps opened.
  json origins() const {
    json members = json::object();
    if (const sb::Device::Installed* installed = device_.installed()) {
      members["module"] = nullptr;
      for (const sb::LoadIn& l : installed->loadIns)
        if (l.selected) {
          members["module"] = moduleJson(l.hostPath, device_.moduleArch());
          members["module"]["from"] = l.devicePath;
          break;
        }
    } else {
      members["module"] = moduleJson(run_.modulePath, device_.moduleArch());
    }
    if (const sb::SettingsApp* pane = device_.openedSettingsApp())
      members["pane"] = {{"bundle", pane->bundlePath()}, {"file", pane->executable()}, {"arch", pane->arch()}};
    return members;
  }

  std::ostream& out_;
  JsonStream stream_;  // written into out_; what it holds is handed over if the run stops early
  const Run run_;
  const sb::Device& device_;
  json top_ = json::object();         // the lock's members told before the lock
  json afterSteps_ = json::object();  // the lock's members that sort after "steps"
  bool stepsBegun_ = false;
};

}  // namespace

std::unique_ptr<Report> makeJsonReport(std::ostream& out, const Run& run, const sb::Device& device) {
  return std::make_unique<JsonReport>(out, run, device);
}

}  // namespace sim
