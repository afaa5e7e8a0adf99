// The other applications' notifications that the simulated bulletin board
// holds, read from a JSON file of the device root, and the bulletins made of
// them.
#pragma once

#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/NSDate.h"
#include "runtime/objc.h"

namespace sb {

struct SystemNotification {
  std::string bulletinID;  // made from the section and position when empty
  std::string section;     // the posting application's bundle identifier
  std::string title, subtitle, message;
  // The bulletin's date: `date` (ISO 8601) or `minutesBeforeNow`; none when
  // neither is given (an undated bulletin).
  std::optional<NSTimeInterval> date;
  std::optional<double> minutesBeforeNow;
  bool allDay = false;
  std::string launchURL;       // default action: open this URL, or
  std::string launchBundleID;  // launch this application (defaults to the section)
};

class NotificationFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Far above any list of notifications a lock screen holds.
inline constexpr std::size_t kMaxNotificationFileBytes = 16u << 20;  // 16 MiB

// Reads a notifications file (a host path); an absent file holds none.
// Raises NotificationFileError naming the file and the fault for anything
// else that cannot be read, among them a file that is not a regular one (a
// folder, a FIFO, a socket, a device) or one above the size limit.
std::vector<SystemNotification> readNotificationFile(const std::string& hostPath, const std::string& zone);
// The same for a file's text; the error does not name a file.
std::vector<SystemNotification> parseNotifications(std::string_view text, const std::string& zone);

// A new autoreleased BBBulletin: date, publication and last-interrupt dates
// at the notification's moment, its default action.
id makeBulletin(const SystemNotification& note, NSTimeInterval now);

}  // namespace sb
