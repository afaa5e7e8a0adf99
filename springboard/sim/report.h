// The simulator's two forms of output: one JSON document, or readable text.
#pragma once

#include <nlohmann/json.hpp>
#include <ostream>

#include "Snapshot.h"

namespace sim {

// The lock screen's state: rows, underlay, screenLit; `log` from the given
// line on (0: every line).
nlohmann::json snapshotJson(const sb::Snapshot& snapshot, size_t firstLogLine = 0);

// The list as a table, then the underlay, the screen and the log.
void printSnapshotTable(std::ostream& out, const sb::Snapshot& snapshot, size_t firstLogLine = 0);

}  // namespace sim
