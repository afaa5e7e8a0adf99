#include <iomanip>

#include "report_parts.h"

namespace sim {
namespace {

using sb::trace::Event;
using sb::trace::InstalledMethod;

// A replacement of a method the class lacks installs nothing (Substrate
// logs the message it did not find).
const char* howText(const InstalledMethod& m) {
  if (m.how == InstalledMethod::How::Added) return "added";
  return m.had == InstalledMethod::Had::Missing ? "none" : "replaced";
}

const char* hadText(InstalledMethod::Had had) {
  switch (had) {
    case InstalledMethod::Had::Own: return "own";
    case InstalledMethod::Had::Inherited: return "inherited";
    case InstalledMethod::Had::Missing: break;
  }
  return "none";
}

const char* kindText(Event::Kind kind) {
  switch (kind) {
    case Event::Kind::Call: return "call";
    case Event::Kind::Saved: return "saved";
    case Event::Kind::Send: return "send";
  }
  return "?";
}

std::string joined(const std::vector<std::string>& args) {
  std::string out;
  for (size_t i = 0; i < args.size(); ++i) out += (i ? ", " : "") + args[i];
  return out;
}

}  // namespace

nlohmann::json hooksJson(const std::vector<InstalledMethod>& methods) {
  nlohmann::json out = nlohmann::json::array();
  for (const InstalledMethod& m : methods)
    out.push_back({{"class", m.className},
                   {"selector", m.selector},
                   {"types", m.types},
                   {"change", howText(m)},
                   {"implementation", hadText(m.had)}});
  return out;
}

void printHooks(std::ostream& out, const std::vector<InstalledMethod>& methods) {
  out << "== hooks (in the order the library installed them)\n";
  if (methods.empty()) out << "   (none)\n";
  for (size_t i = 0; i < methods.size(); ++i) {
    const InstalledMethod& m = methods[i];
    out << std::left << std::setw(4) << i + 1 << std::setw(9) << howText(m) << "-[" << m.className << " " << m.selector
        << "]  " << (m.types.empty() ? "-" : m.types) << "  "
        << (m.how == InstalledMethod::How::Added ? "new" : hadText(m.had)) << "\n";
  }
  out << "\n";
}

nlohmann::json traceJson(const std::vector<Event>& events) {
  nlohmann::json out = nlohmann::json::array();
  for (const Event& e : events) {
    nlohmann::json entry = {{"event", kindText(e.kind)}, {"depth", e.depth},       {"class", e.className},
                            {"selector", e.selector},    {"receiver", e.receiver}, {"args", e.args}};
    if (e.kind == Event::Kind::Call) {
      entry["result"] = e.result ? nlohmann::json(*e.result) : nlohmann::json(nullptr);
      if (e.replaced) entry["calledSaved"] = e.calledSaved;
    }
    out.push_back(std::move(entry));
  }
  return out;
}

// call  -[SBLockScreenNotificationListView tableView:heightForRowAtIndexPath:](<UITableView>, [0, 2]) -> 44, saved not
// called
void printTrace(std::ostream& out, const std::vector<Event>& events, std::size_t omitted) {
  if (events.empty() && !omitted) return;
  out << "trace:\n";
  for (const Event& e : events) {
    out << std::string(2 + 2 * static_cast<size_t>(e.depth), ' ') << kindText(e.kind) << " -[" << e.className << " "
        << e.selector << "]";
    if (!e.receiver.empty() && e.receiver != "<" + e.className + ">") out << " on " << e.receiver;
    out << " (" << joined(e.args) << ")";
    if (e.kind == Event::Kind::Call) {
      if (e.result) out << " -> " << *e.result;
      if (e.replaced) out << (e.calledSaved ? ", saved called" : ", saved not called");
    }
    out << "\n";
  }
  if (omitted) out << "  … " << omitted << " more events not kept\n";
}

}  // namespace sim
