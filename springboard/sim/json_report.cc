#include "report.h"

namespace sim {
namespace {

using nlohmann::json;

json optionalText(const std::optional<std::string>& text) { return text ? json(*text) : json(nullptr); }

json rectJson(const CGRect& r) { return {{"x", r.origin.x}, {"y", r.origin.y}, {"width", r.size.width}, {"height", r.size.height}}; }

json labelJson(const sb::LabelState& label) {
  return {{"text", label.text},
          {"fontSize", label.fontSize},
          {"color", {label.color[0], label.color[1], label.color[2], label.color[3]}},
          {"frame", rectJson(label.frame)}};
}

}  // namespace

json rowJson(const sb::RowState& row) {
  json icon = nullptr;
  if (row.icon)
    icon = {{"width", row.icon->width},
            {"height", row.icon->height},
            {"centerColor", {row.icon->centerPixel[0], row.icon->centerPixel[1], row.icon->centerPixel[2],
                             row.icon->centerPixel[3]}}};
  return {{"bulletinID", row.bulletinID},
          {"section", row.section},
          {"title", row.title},
          {"subtitle", row.subtitle},
          {"message", row.message},
          {"date", optionalText(row.date)},
          {"publicationDate", optionalText(row.publicationDate)},
          {"lastInterruptDate", optionalText(row.lastInterruptDate)},
          {"dateIsAllDay", row.dateIsAllDay},
          {"defaultAction", row.defaultAction},
          {"height", row.height},
          {"alpha", row.alpha},
          {"canBeCleared", row.canBeCleared},
          {"canEdit", row.canEdit},
          {"separatorShown", row.separatorShown},
          {"labels",
           {{"primary", labelJson(row.primary)},
            {"secondary", labelJson(row.secondary)},
            {"subtitle", labelJson(row.subtitleLabel)},
            {"relevanceDate", labelJson(row.relevanceDate)},
            {"unlockText", labelJson(row.unlockText)}}},
          {"icon", icon}};
}

json snapshotJson(const sb::Snapshot& snapshot, size_t firstLogLine) {
  json log = json::array();
  for (size_t i = firstLogLine; i < snapshot.log.size(); ++i) log.push_back(snapshot.log[i]);
  json document = json::object();
  document["underlay"] = {{"shown", snapshot.underlay.shown}, {"requesters", snapshot.underlay.requesters}};
  document["screenLit"] = snapshot.screenLit;
  document["log"] = std::move(log);
  return document;
}

void writeSnapshot(JsonStream& out, sb::Snapshot snapshot, size_t firstLogLine, const json& members,
                   std::map<std::string, JsonStream::Writer> streamed) {
  json document = snapshotJson(snapshot, firstLogLine);
  document.update(members);
  // One row's tree at a time, and the rows let go once written, before the
  // members after them ("steps") are written.
  streamed["rows"] = [&snapshot](JsonStream& stream) {
    stream.array(snapshot.rows.size(), [&snapshot](size_t i, JsonStream& s) { s.value(rowJson(snapshot.rows[i])); });
    std::vector<sb::RowState>().swap(snapshot.rows);
  };
  out.object(document, streamed);
}

}  // namespace sim
