#include "report_parts.h"

namespace sim {
namespace {

using nlohmann::json;

json optionalText(const std::optional<std::string>& text) { return text ? json(*text) : json(nullptr); }

// A row is written member by member, in the key order nlohmann keeps, with
// no tree of its own: the rows are most of a large document.
template <class Number, std::size_t N>
void writeNumbers(JsonStream& out, const std::string& name, const std::array<Number, N>& numbers) {
  out.key(name);
  out.beginArray();
  for (const Number& n : numbers) {
    out.element();
    out.value(json(n));
  }
  out.endArray();
}

void writeLabel(JsonStream& out, const std::string& name, const sb::LabelState& label) {
  out.key(name);
  out.beginObject();
  writeNumbers(out, "color", label.color);
  out.member("fontSize", label.fontSize);
  out.key("frame");
  out.beginObject();
  out.member("height", label.frame.size.height);
  out.member("width", label.frame.size.width);
  out.member("x", label.frame.origin.x);
  out.member("y", label.frame.origin.y);
  out.endObject();
  out.member("text", label.text);
  out.endObject();
}

void writeRow(JsonStream& out, const sb::RowState& row) {
  out.beginObject();
  out.member("alpha", row.alpha);
  out.member("bulletinID", row.bulletinID);
  if (row.canBeRemovedByUnlock) {
    // iOS 9's two questions in place of the one.
    out.key("canBeCleared");
    out.beginObject();
    out.member("notificationCenterPresentation", row.canBeCleared);
    out.member("unlock", *row.canBeRemovedByUnlock);
    out.endObject();
  } else {
    out.member("canBeCleared", row.canBeCleared);
  }
  out.member("canEdit", row.canEdit);
  out.member("date", optionalText(row.date));
  out.member("dateIsAllDay", row.dateIsAllDay);
  out.member("defaultAction", row.defaultAction);
  out.member("height", row.height);
  out.key("icon");
  if (row.icon) {
    out.beginObject();
    writeNumbers(out, "centerColor", row.icon->centerPixel);
    out.member("height", row.icon->height);
    out.member("width", row.icon->width);
    out.endObject();
  } else {
    out.value(nullptr);
  }
  out.key("labels");
  out.beginObject();
  writeLabel(out, "primary", row.primary);
  writeLabel(out, "relevanceDate", row.relevanceDate);
  writeLabel(out, "secondary", row.secondary);
  writeLabel(out, "subtitle", row.subtitleLabel);
  writeLabel(out, "unlockText", row.unlockText);
  out.endObject();
  out.member("lastInterruptDate", optionalText(row.lastInterruptDate));
  out.member("message", row.message);
  out.member("publicationDate", optionalText(row.publicationDate));
  out.member("section", row.section);
  out.member("separatorShown", row.separatorShown);
  out.member("subtitle", row.subtitle);
  out.member("title", row.title);
  out.endObject();
}

}  // namespace

json snapshotJson(const sb::Snapshot& snapshot, size_t firstLogLine) {
  json log = json::array();
  for (size_t i = firstLogLine; i < snapshot.log.size(); ++i) log.push_back(snapshot.log[i]);
  json document = json::object();
  document["underlay"] = {{"shown", snapshot.underlay.shown}, {"requesters", snapshot.underlay.requesters}};
  document["screenLit"] = snapshot.screenLit;
  document["log"] = std::move(log);
  return document;
}

void writeMembersWithRows(JsonStream& out, sb::Snapshot snapshot, const json& members) {
  // One row's tree at a time, and the rows let go once written, before the
  // members after them are written.
  std::map<std::string, JsonStream::Writer> streamed;
  streamed["rows"] = [&snapshot](JsonStream& stream) {
    stream.array(snapshot.rows.size(), [&snapshot](size_t i, JsonStream& s) { writeRow(s, snapshot.rows[i]); });
    std::vector<sb::RowState>().swap(snapshot.rows);
  };
  out.members(members, streamed);
}

void writeSnapshot(JsonStream& out, sb::Snapshot snapshot, size_t firstLogLine, const json& members) {
  json document = snapshotJson(snapshot, firstLogLine);
  document.update(members);
  out.beginObject();
  writeMembersWithRows(out, std::move(snapshot), document);
  out.endObject();
}

}  // namespace sim
