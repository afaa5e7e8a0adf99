// Reads arbitrary bytes as a reminder file, as the reminder store reads what
// a sync tool left in a list folder. Any crash, hang or broken promise of the
// reader (a bound exceeded, text that is not UTF-8) is a finding.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "eventkit/ics_reminder.h"
#include "eventkit/utf8_repair.h"

namespace {
void check(bool holds) {
  if (!holds) std::abort();
}

void readWithBudget(std::string_view text, std::size_t budget) {
  const ReminderFileContents contents = parseReminderICS(text, budget);
  check(contents.components <= budget);
  std::size_t alarms = 0;
  for (const ReminderRecord& reminder : contents.reminders) {
    check(repairUTF8(reminder.title) == reminder.title);
    check(repairUTF8(reminder.uid) == reminder.uid);
    alarms += reminder.alarms.size();
  }
  check(contents.reminders.size() + alarms <= contents.components);
  if (contents.calendar.name) check(repairUTF8(*contents.calendar.name) == *contents.calendar.name);
  if (!contents.readable) check(contents.reminders.empty());
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  readWithBudget(text, kMaxComponentsPerFetch);
  readWithBudget(text, 2);
  return 0;
}
