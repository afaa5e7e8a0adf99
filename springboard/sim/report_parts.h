// The parts of a report, each in both forms: the JSON value or writer, and
// the text for a reader.
#pragma once

#include <nlohmann/json.hpp>
#include <ostream>

#include "Snapshot.h"
#include "json_stream.h"
#include "settings_app.h"
#include "trace/trace.h"

namespace sim {

// The lock screen's state but its rows: underlay, screenLit, and `log` from
// the given line on (0: every line).
nlohmann::json snapshotJson(const sb::Snapshot& snapshot, size_t firstLogLine = 0);
// The lock screen's state as one object with its rows, written row by row,
// beside further members; the rows are let go once written.
void writeSnapshot(JsonStream& out, sb::Snapshot snapshot, size_t firstLogLine,
                   const nlohmann::json& members = nlohmann::json::object());
// The given members of an object already begun, with the snapshot's rows
// among them in key order, written and let go as above.
void writeMembersWithRows(JsonStream& out, sb::Snapshot snapshot, const nlohmann::json& members);

// The list as a table, then the underlay, the screen and the log.
void printSnapshotTable(std::ostream& out, const sb::Snapshot& snapshot, size_t firstLogLine = 0);

// The methods the module installed, in order: one JSON object each, or one
// line each.
nlohmann::json hooksJson(const std::vector<sb::trace::InstalledMethod>& methods);
void printHooks(std::ostream& out, const std::vector<sb::trace::InstalledMethod>& methods);

// A step's trace: one JSON object per event, or its lines indented by
// nesting under "trace:".
nlohmann::json traceJson(const std::vector<sb::trace::Event>& events);
void printTrace(std::ostream& out, const std::vector<sb::trace::Event>& events, std::size_t omitted);

// The settings pane's pages: one JSON object per row ({"group", "label",
// "key", "value"}), or each page's groups with their rows and footers.
nlohmann::json paneJson(const std::vector<sb::PanePage>& pages);
void printPanePages(std::ostream& out, const std::vector<sb::PanePage>& pages);

}  // namespace sim
