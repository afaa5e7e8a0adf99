// The simulator's notifications file, as a user or a test writes it.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "runtime/autorelease.h"
#include "system_notifications.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  AutoreleasePool pool;
  try {
    for (const sb::SystemNotification& note :
         sb::parseNotifications(std::string_view(reinterpret_cast<const char*>(data), size), "Europe/London"))
      sb::makeBulletin(note, 0);
  } catch (const sb::NotificationFileError&) {}
  return 0;
}
