// The report as text: each part printed as soon as it is told.
#include "report.h"
#include "report_parts.h"

namespace sim {
namespace {

class TextReport : public Report {
 public:
  TextReport(std::ostream& out, const Run& run) : out_(out), run_(run) {}

  void installed(const std::string& packagePath, const sb::Device::Installed& installed) override {
    out_ << "== install " << packagePath << " (" << installed.package << ")\n";
    bool any = false;
    for (const sb::LoadIn& l : installed.loadIns) {
      out_ << "  " << (l.selected ? "loaded " : "not loaded ") << l.devicePath << ": " << l.reason << "\n";
      any |= l.selected;
    }
    if (!any) out_ << "  no library loaded into SpringBoard\n";
    for (const sb::PaneEntry& p : installed.panes)
      out_ << "  settings pane \"" << p.label << "\": " << p.bundlePath << "\n";
    if (installed.panes.empty()) out_ << "  no settings pane\n";
    out_ << "\n";
  }

  void hooks(const std::vector<sb::trace::InstalledMethod>& methods) override { printHooks(out_, methods); }

  void lock(sb::Snapshot screen, const Traced& trace) override {
    out_ << "== lock (iOS " << run_.ios << ", " << run_.now << ", " << run_.timeZone
         << (run_.calendar == "gregorian" ? "" : ", " + run_.calendar + " calendar") << ")\n";
    printSnapshotTable(out_, screen);
    if (run_.traced) printTrace(out_, trace.events, trace.omitted);
  }

  void step(const sb::ScenarioStep& step, const sb::StepResult& result, sb::Snapshot screen, std::size_t firstLogLine,
            const Traced& trace) override {
    out_ << "\n== " << step.text;
    if (step.kind == sb::ScenarioStep::Kind::Edit) out_ << ": " << (result.canEdit ? "editable" : "not editable");
    if (step.kind == sb::ScenarioStep::Kind::Open)
      out_ << ": " << (result.opened ? "opens " + *result.opened : "no such row");
    out_ << "\n";
    if (!result.pages.empty()) printPanePages(out_, result.pages);
    printSnapshotTable(out_, screen, firstLogLine);
    if (run_.traced) printTrace(out_, trace.events, trace.omitted);
  }

  void finish() override {}

 private:
  std::ostream& out_;
  const Run run_;
};

}  // namespace

std::unique_ptr<Report> makeTextReport(std::ostream& out, const Run& run) {
  return std::make_unique<TextReport>(out, run);
}

}  // namespace sim
