#include <algorithm>
#include <cmath>
#include <iomanip>
#include <sstream>

#include "report_parts.h"

namespace sim {
namespace {

std::string clip(const std::string& text, size_t width) {
  if (text.size() <= width) return text;
  return text.substr(0, width - 1) + "~";
}

// Lengths and alphas to the hundredth, without trailing zeros. Rounding to
// hundredths first makes a 32-bit device's single-precision value print as
// the double it stands for (0.85f is 0.8500000238, 0.85 is 0.8499999999:
// both print "0.85").
std::string number(CGFloat value) {
  const long hundredths = std::lround(static_cast<double>(value) * 100.0);
  const int decimals = hundredths % 100 == 0 ? 0 : hundredths % 10 == 0 ? 1 : 2;
  std::ostringstream out;
  out << std::fixed << std::setprecision(decimals) << static_cast<double>(hundredths) / 100.0;
  return out.str();
}

std::string iconText(const sb::RowState& row) {
  if (!row.icon) return "none";
  return number(row.icon->width) + "x" + number(row.icon->height);
}

}  // namespace

void printSnapshotTable(std::ostream& out, const sb::Snapshot& snapshot, size_t firstLogLine) {
  const int idW = 30, titleW = 28, dateW = 8;
  out << std::left << std::setw(3) << "#" << std::setw(idW) << "bulletin" << std::setw(titleW) << "title"
      << std::setw(dateW) << "date" << std::setw(7) << "height" << std::setw(6) << "alpha" << std::setw(6) << "clear"
      << std::setw(5) << "edit" << "icon\n";
  if (snapshot.rows.empty()) out << "   (no notifications)\n";
  for (size_t i = 0; i < snapshot.rows.size(); ++i) {
    const sb::RowState& row = snapshot.rows[i];
    out << std::setw(3) << i << std::setw(idW) << clip(row.bulletinID, idW - 2) << std::setw(titleW)
        << clip(row.title, titleW - 2) << std::setw(dateW) << clip(row.relevanceDate.text, dateW - 1) << std::setw(7)
        << number(row.height) << std::setw(6) << number(row.alpha) << std::setw(6) << (row.canBeCleared ? "yes" : "no")
        << std::setw(5) << (row.canEdit ? "yes" : "no") << iconText(row) << "\n";
    if (!row.subtitle.empty()) out << std::setw(3 + idW) << "" << clip(row.subtitle, 40) << "\n";
    if (!row.message.empty()) out << std::setw(3 + idW) << "" << clip(row.message, 40) << "\n";
  }
  out << "underlay: " << (snapshot.underlay.shown ? "shown" : "hidden");
  if (!snapshot.underlay.requesters.empty()) {
    out << " (";
    for (size_t i = 0; i < snapshot.underlay.requesters.size(); ++i)
      out << (i ? ", " : "") << snapshot.underlay.requesters[i];
    out << ")";
  }
  out << "\nscreen: " << (snapshot.screenLit ? "lit" : "dark") << "\n";
  if (snapshot.log.size() > firstLogLine) {
    out << "log:\n";
    for (size_t i = firstLogLine; i < snapshot.log.size(); ++i) out << "  " << snapshot.log[i] << "\n";
  }
}

}  // namespace sim
