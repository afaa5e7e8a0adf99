#include "eventkit/EKEventStore.h"

#include <atomic>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <unordered_set>
#include <vector>

#include "dispatch/dispatch.h"
#include "eventkit/EKObjects.h"
#include "eventkit/reminder_cache.h"
#include "eventkit/utf8_repair.h"
#include "eventkit/vdir.h"
#include "foundation/NSArray.h"
#include "foundation/NSDate.h"
#include "base/stand_in_note.h"
#include "foundation/NSString.h"
#include "foundation/device.h"
#include "runtime/autorelease.h"
#include "runtime/message.h"
#include "runtime/nsobject.h"

namespace {
bool accessDenied() {
  std::error_code ec;
  return std::filesystem::exists(standin::resolveDevicePath(kReminderAccessDeniedDevicePath), ec);
}

std::string listsFolder() { return standin::resolveDevicePath(kReminderListsDevicePath); }

bool isKindOf(id obj, const char* className) {
  return obj && class_isSubclassOf(object_getClass(obj), objc_getClass(className));
}

// What one fetch reads, taken on the caller's thread so that later changes
// to the device root or the predicate do not reach the worker.
struct FetchPlan {
  std::string listsFolder;
  bool everyList = false;           // the predicate named no calendars
  std::vector<StrongId> calendars;  // EKCalendar, in the predicate's order
  std::optional<NSTimeInterval> start, end;
};

FetchPlan planFor(id predicate) {
  FetchPlan plan;
  if (!isKindOf(predicate, "EKPredicate") || accessDenied()) return plan;
  auto* p = static_cast<EKPredicateObj*>(predicate);
  plan.listsFolder = listsFolder();
  if (!p->calendars)
    plan.everyList = true;
  else if (standin::isArray(p->calendars))
    for (id calendar : standin::arrayItems(p->calendars))
      if (isKindOf(calendar, "EKCalendar")) plan.calendars.emplace_back(calendar);
  if (p->startDate) plan.start = standin::timeIntervalSinceReferenceDate(p->startDate);
  if (p->endDate) plan.end = standin::timeIntervalSinceReferenceDate(p->endDate);
  return plan;
}

bool dueWithinBounds(const FetchPlan& plan, id reminder) {
  if (!plan.start && !plan.end) return true;
  id components = msgSend<id>(reminder, "dueDateComponents");
  if (!components) return false;
  // A reminder's due components are Gregorian whatever calendar the user
  // picked (EKCalendarItem's dates are stored as Gregorian), so the store
  // reads them in the Gregorian calendar, not +currentCalendar.
  id calendar = objc_autorelease(msgSend<id, id>(msgSend<id>(objc_getClass("NSCalendar"), "alloc"),
                                                 "initWithCalendarIdentifier:", standin::str("gregorian")));
  const NSTimeInterval due =
      standin::timeIntervalSinceReferenceDate(msgSend<id>(calendar, "dateFromComponents:", components));
  return (!plan.start || due >= *plan.start) && (!plan.end || due < *plan.end);
}

void logUnreadFile(const std::string& folder, const ListFile& file) {
  const bool sound = file.contents && file.contents->problem.empty();
  if (sound) return;
  const std::string devicePath = folder + "/" + file.name;
  if (!file.contents && file.problem.empty())
    StandInNote("EventKit: skipping unreadable reminder file " + devicePath);
  else if (!file.contents)
    StandInNote("EventKit: skipping reminder file " + devicePath + ": " + file.problem);
  else if (!file.contents->problem.empty())
    StandInNote("EventKit: reminder file " + devicePath + " is partly unreadable (" + file.contents->problem +
                "); reading the rest");
}

// A to-do without UID is named by its file, as the sync tools do; a second
// one in the same file by the file and its place among them.
std::string reminderIdentifier(const ReminderRecord& record, const std::string& fileName, std::size_t& unnamed) {
  if (!record.uid.empty()) return record.uid;
  std::string stem = repairUTF8(fileName.substr(0, fileName.size() - 4));
  if (unnamed++ > 0) stem += "#" + std::to_string(unnamed - 1);
  return stem;
}

// False when the fetch's budget ran out in this list.
bool collectReminders(const FetchPlan& plan, id calendar, FetchBudget& budget, std::vector<StrongId>& found) {
  auto* list = static_cast<EKCalendarObj*>(calendar);
  const ListFiles files = readListFiles(list->folder, budget);
  if (files.folderTooLarge)
    StandInNote("EventKit: list folder " + list->deviceFolder + " has more than " +
                std::to_string(kMaxListFolderEntries) + " entries; reading the first");
  for (const ListFile& file : files.files) {
    logUnreadFile(list->deviceFolder, file);
    if (!file.contents) continue;
    AutoreleasePool pool;  // what making a file's reminders leaves behind goes with it
    std::size_t unnamed = 0;
    for (std::size_t i = 0; i < file.remindersTaken; ++i) {
      const ReminderRecord& record = file.contents->reminders[i];
      const std::string identifier = reminderIdentifier(record, file.name, unnamed);
      if (record.completed) continue;
      id reminder = standin::reminderWithRecord(record, identifier, calendar);
      if (dueWithinBounds(plan, reminder)) found.emplace_back(reminder);
    }
  }
  return !files.budgetRanOut;
}

// Each list once, in the order first named: the predicate is a set of
// calendars, however often the caller repeated one.
std::vector<StrongId> distinctCalendars(const std::vector<StrongId>& calendars) {
  std::vector<StrongId> distinct;
  std::unordered_set<std::string> folders;
  for (const StrongId& calendar : calendars)
    if (folders.insert(static_cast<EKCalendarObj*>(calendar.get())->folder).second) distinct.push_back(calendar);
  return distinct;
}

id runFetch(const FetchPlan& plan) {
  std::vector<StrongId> calendars = distinctCalendars(plan.calendars);
  if (plan.everyList)
    for (const std::string& identifier : listIdentifiers(plan.listsFolder))
      if (auto list = readReminderList(plan.listsFolder, identifier))
        calendars.emplace_back(standin::calendarWithList(*list));
  FetchBudget budget;
  std::vector<StrongId> found;
  bool complete = true;
  for (const StrongId& calendar : calendars) complete = collectReminders(plan, calendar, budget, found) && complete;
  if (!complete)
    StandInNote("EventKit: fetch stopped after " + std::to_string(kMaxReminderFilesPerFetch - budget.files) +
                " reminder files and " + std::to_string(kMaxComponentsPerFetch - budget.components) +
                " to-dos and alarms; the rest is left out");
  return standin::arrayWith(std::vector<id>(found.begin(), found.end()));
}

// Whether this process has had an answer to an access request. A device that
// has never been asked (kReminderAccessNotAskedDevicePath) is asked by the
// first request of the process, and grants.
std::atomic<bool> gAnswered{false};

bool notYetAsked() {
  std::error_code ec;
  return !gAnswered && std::filesystem::exists(standin::resolveDevicePath(kReminderAccessNotAskedDevicePath), ec);
}

void requestAccess(id, SEL, NSUInteger, standin::AccessCompletion completion) {
  if (!completion) return;
  const BOOL granted = !accessDenied();
  dispatch_async_global([completion = std::move(completion), granted] {
    AutoreleasePool pool;
    gAnswered = true;
    completion(granted, nil);
  });
}

// EKAuthorizationStatus: not determined (0) until a device never asked has
// answered a request, denied (2) while the device refuses access, authorized
// (3) otherwise.
NSInteger authorizationStatus(id, SEL, NSUInteger) {
  if (accessDenied()) return 2;
  return notYetAsked() ? 0 : 3;
}

id calendarWithIdentifier(id, SEL, id identifier) {
  if (!standin::isString(identifier) || accessDenied()) return nil;
  std::optional<ReminderList> list = readReminderList(listsFolder(), standin::utf8Of(identifier));
  return list ? standin::calendarWithList(*list) : nil;
}

id calendarsForEntityType(id, SEL, NSUInteger) {
  std::vector<id> calendars;
  if (!accessDenied()) {
    const std::string folder = listsFolder();
    for (const std::string& identifier : listIdentifiers(folder))
      if (auto list = readReminderList(folder, identifier)) calendars.push_back(standin::calendarWithList(*list));
  }
  return standin::arrayWith(calendars);
}

id predicateForIncompleteReminders(id, SEL, id start, id end, id calendars) {
  auto* predicate = static_cast<EKPredicateObj*>(objc_new("EKPredicate"));
  predicate->startDate.store(start);
  predicate->endDate.store(end);
  predicate->calendars.store(calendars);
  return objc_autorelease(predicate);
}

id fetchReminders(id, SEL, id predicate, standin::FetchCompletion completion) {
  dispatch_async_global([plan = planFor(predicate), completion = std::move(completion)] {
    AutoreleasePool pool;
    id reminders = nil;
    try {
      reminders = runFetch(plan);
    } catch (const std::exception& e) {
      // The completion is still owed its one call.
      StandInNote(std::string("EventKit: reminder fetch failed: ") + e.what());
      reminders = standin::arrayWith({});
    }
    if (completion) completion(reminders);
  });
  return nil;
}
}  // namespace

void registerEKEventStore() {
  objc_defineClass<EKPredicateObj>(standin::nsObjectClass(), "EKPredicate");
  Class c = objc_defineClass<objc_object>(standin::nsObjectClass(), "EKEventStore");
  class_addMethod(c, sel("requestAccessToEntityType:completion:"), requestAccess);
  class_addClassMethod(c, sel("authorizationStatusForEntityType:"), authorizationStatus);
  class_addMethod(c, sel("calendarWithIdentifier:"), calendarWithIdentifier);
  class_addMethod(c, sel("calendarsForEntityType:"), calendarsForEntityType);
  class_addMethod(c, sel("predicateForIncompleteRemindersWithDueDateStarting:ending:calendars:"),
                  predicateForIncompleteReminders);
  class_addMethod(c, sel("fetchRemindersMatchingPredicate:completion:"), fetchReminders);
}

void registerEventKit() {
  registerEKCalendar();
  registerEKReminder();
  registerEKEventStore();
}
