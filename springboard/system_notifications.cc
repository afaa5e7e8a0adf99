#include "system_notifications.h"

#include <nlohmann/json.hpp>

#include "foundation/NSString.h"
#include "base/regular_file.h"
#include "runtime/message.h"
#include "runtime/nsobject.h"
#include "time_text.h"

namespace sb {
namespace {

using nlohmann::json;

std::string stringField(const json& entry, const char* key) {
  auto it = entry.find(key);
  if (it == entry.end() || it->is_null()) return "";
  if (!it->is_string()) throw std::invalid_argument(std::string("\"") + key + "\" must be a string");
  return it->get<std::string>();
}

SystemNotification readEntry(const json& entry, const std::string& zone, size_t index) {
  if (!entry.is_object()) throw std::invalid_argument("each notification must be an object");
  SystemNotification note;
  note.section = stringField(entry, "section");
  if (note.section.empty()) throw std::invalid_argument("\"section\" (the application's bundle identifier) is missing");
  note.bulletinID = stringField(entry, "bulletinID");
  if (note.bulletinID.empty()) note.bulletinID = note.section + "-" + std::to_string(index);
  note.title = stringField(entry, "title");
  note.subtitle = stringField(entry, "subtitle");
  note.message = stringField(entry, "message");
  note.launchURL = stringField(entry, "launchURL");
  note.launchBundleID = stringField(entry, "launchBundleID");
  if (std::string date = stringField(entry, "date"); !date.empty()) {
    note.date = parseISO8601(date, zone);
    if (!note.date) throw std::invalid_argument("\"date\" is not an ISO 8601 moment: " + date);
  }
  if (auto it = entry.find("minutesBeforeNow"); it != entry.end()) {
    if (!it->is_number()) throw std::invalid_argument("\"minutesBeforeNow\" must be a number");
    note.minutesBeforeNow = it->get<double>();
  }
  if (auto it = entry.find("allDay"); it != entry.end()) {
    if (!it->is_boolean()) throw std::invalid_argument("\"allDay\" must be true or false");
    note.allDay = it->get<bool>();
  }
  return note;
}

id dateObject(NSTimeInterval t) { return standin::dateWithTimeIntervalSinceReferenceDate(t); }

}  // namespace

std::vector<SystemNotification> parseNotifications(std::string_view text, const std::string& zone) {
  try {
    json document = json::parse(text);
    if (!document.is_array()) throw std::invalid_argument("the file must hold an array of notifications");
    std::vector<SystemNotification> notifications;
    for (size_t i = 0; i < document.size(); ++i) {
      try {
        notifications.push_back(readEntry(document[i], zone, i));
      } catch (const std::invalid_argument& e) {
        throw std::invalid_argument("notification " + std::to_string(i) + ": " + e.what());
      }
    }
    return notifications;
  } catch (const json::exception& e) {
    throw NotificationFileError(std::string("not valid JSON (") + e.what() + ")");
  } catch (const std::invalid_argument& e) {
    throw NotificationFileError(e.what());
  }
}

std::vector<SystemNotification> readNotificationFile(const std::string& hostPath, const std::string& zone) {
  std::string text;
  const standin::FileReadStatus status = standin::readRegularFile(hostPath, kMaxNotificationFileBytes, &text);
  if (status == standin::FileReadStatus::Missing) return {};
  if (status != standin::FileReadStatus::Read)
    throw NotificationFileError(hostPath + ": " + standin::fileReadStatusText(status, kMaxNotificationFileBytes));
  try {
    return parseNotifications(text, zone);
  } catch (const NotificationFileError& e) {
    throw NotificationFileError(hostPath + ": " + e.what());
  }
}

id makeBulletin(const SystemNotification& note, NSTimeInterval now) {
  id bulletin = objc_autorelease(objc_new("BBBulletin"));
  auto set = [&](const char* setter, const std::string& text) {
    if (!text.empty()) msgSend<void, id>(bulletin, setter, standin::stringWithUTF8(text));
  };
  set("setBulletinID:", note.bulletinID);
  set("setSection:", note.section);
  set("setTitle:", note.title);
  set("setSubtitle:", note.subtitle);
  set("setMessage:", note.message);
  std::optional<NSTimeInterval> moment = note.date;
  if (!moment && note.minutesBeforeNow) moment = now - *note.minutesBeforeNow * 60;
  if (moment) {
    msgSend<void, id>(bulletin, "setDate:", dateObject(*moment));
    msgSend<void, id>(bulletin, "setPublicationDate:", dateObject(*moment));
    msgSend<void, id>(bulletin, "setLastInterruptDate:", dateObject(*moment));
  }
  msgSend<void, BOOL>(bulletin, "setDateIsAllDay:", note.allDay);
  id action = nil;
  if (!note.launchURL.empty()) {
    id url = msgSend<id, id>(objc_getClass("NSURL"), "URLWithString:", standin::stringWithUTF8(note.launchURL));
    action = msgSend<id, id, id>(objc_getClass("BBAction"), "actionWithLaunchURL:callblock:", url, nil);
  } else {
    const std::string& app = note.launchBundleID.empty() ? note.section : note.launchBundleID;
    action = msgSend<id, id, id>(objc_getClass("BBAction"),
                                 "actionWithLaunchBundleID:callblock:", standin::stringWithUTF8(app), nil);
  }
  msgSend<void, id>(bulletin, "setDefaultAction:", action);
  return bulletin;
}

}  // namespace sb
