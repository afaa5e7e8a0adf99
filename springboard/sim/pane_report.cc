#include <iomanip>

#include "report_parts.h"

namespace sim {

nlohmann::json paneJson(const std::vector<sb::PanePage>& pages) {
  nlohmann::json rows = nlohmann::json::array();
  for (const sb::PanePage& page : pages)
    for (const sb::PaneRow& row : page.rows)
      rows.push_back({{"group", row.group},
                      {"label", row.label},
                      {"key", row.key.empty() ? nlohmann::json(nullptr) : nlohmann::json(row.key)},
                      {"value", row.value}});
  return rows;
}

void printPanePages(std::ostream& out, const std::vector<sb::PanePage>& pages) {
  for (const sb::PanePage& page : pages) {
    out << "[" << page.title << "]\n";
    for (const sb::PaneGroup& group : page.groups) {
      out << "  " << (group.title.empty() ? "-" : group.title) << "\n";
      for (const sb::PaneRow& row : page.rows) {
        if (row.group != group.title) continue;
        std::string shown = row.cell == "link" ? ">" : row.value;
        out << "    " << std::left << std::setw(30) << row.label << std::setw(28) << shown
            << (row.key.empty() ? "" : row.key) << "\n";
      }
      if (!group.footer.empty()) out << "    (" << group.footer << ")\n";
    }
  }
}

}  // namespace sim
