// The reminder store as SpringBoard's reminder query uses it.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <atomic>
#include <filesystem>
#include <map>
#include <thread>

#include "coregraphics/CGColor.h"
#include "dispatch/dispatch.h"
#include "eventkit/EKEventStore.h"
#include "eventkit/store_limits.h"
#include "foundation/NSArray.h"
#include "foundation/NSDate.h"
#include "foundation/NSLog.h"
#include "foundation/NSString.h"
#include "base/stand_in_note.h"
#include "reminder_device_root.h"
#include "runtime/autorelease.h"
#include "runtime/message.h"
#include "runtime/nsobject.h"

namespace {

constexpr const char* kHome = "6D3F0C2A-1B4E-4C8F-9A7D-2E5B8C1F0A11";
constexpr const char* kWork = "0A9B8C7D-6E5F-4A3B-2C1D-0E9F8A7B6C5D";

// What the store says of the files it skips: nothing in the system log, as a device's EventKit says nothing.
std::vector<std::string> storeNotes() {
  EXPECT_TRUE(standin::capturedLogLines().empty());
  return StandInNotes();
}

struct FetchResult {
  std::vector<id> reminders;  // kept alive by `array`
  StrongId array;
  int calls = 0;
  bool onCallerThread = true;
};

class ReminderStore : public ::testing::Test {
 protected:
  void SetUp() override {
    standin::setLogEcho(false);
    standin::clearLogCaptureForTesting();
    StandInNotesClearForTesting();
    StandInNotesSetEcho(false);
    standin::setCurrentTimeZone("UTC");
    store_ = objc_new("EKEventStore");
  }
  void TearDown() override { objc_release(store_); }

  id calendar(const char* identifier) {
    return msgSend<id, id>(store_, "calendarWithIdentifier:", standin::str(identifier));
  }

  id predicate(std::vector<id> calendars, id start = nil, id end = nil) {
    return msgSend<id, id, id, id>(store_,
                                   "predicateForIncompleteRemindersWithDueDateStarting:ending:calendars:", start, end,
                                   standin::arrayWith(calendars));
  }

  FetchResult fetch(id predicate) {
    FetchResult result;
    std::atomic<int> calls{0};
    const std::thread::id caller = std::this_thread::get_id();
    dispatch_semaphore_t done = dispatch_semaphore_create(0);
    standin::FetchCompletion completion = [&](id reminders) {
      result.array.store(reminders);
      result.onCallerThread = std::this_thread::get_id() == caller;
      ++calls;
      dispatch_semaphore_signal(done);
    };
    msgSend<id, id, standin::FetchCompletion>(store_, "fetchRemindersMatchingPredicate:completion:", predicate,
                                              completion);
    dispatch_semaphore_wait(done, DISPATCH_TIME_FOREVER);
    dispatch_release(done);
    result.calls = calls;
    result.reminders = standin::arrayItems(result.array);
    return result;
  }

  static std::vector<std::string> titles(const FetchResult& result) {
    std::vector<std::string> out;
    for (id r : result.reminders) out.push_back(standin::utf8Of(msgSend<id>(r, "title")));
    return out;
  }

  AutoreleasePool pool_;
  ReminderDeviceRoot root_;
  id store_ = nil;
};

// Each calendar once, however often the predicate names it.
TEST_F(ReminderStore, FetchesIncompleteRemindersInCalendarThenFileOrder) {
  root_.addList(kHome, "Home", "#FF0000");
  root_.addList(kWork, "Work", "#0000FF");
  root_.addReminder(kHome, "b.ics", reminderICS("UID:hb\nSUMMARY:home b"));
  root_.addReminder(kHome, "a.ics", reminderICS("UID:ha\nSUMMARY:home a"));
  root_.addReminder(kHome, "c.ics", reminderICS("UID:hc\nSUMMARY:done\nSTATUS:COMPLETED"));
  root_.addReminder(kWork, "z.ics", reminderICS("UID:wz\nSUMMARY:work z"));
  root_.addReminder(kWork, "y.ics", reminderICS("UID:wy\nSUMMARY:also done\nCOMPLETED:20261201T080000Z"));
  id work = calendar(kWork), home = calendar(kHome);
  std::vector<id> calendars{work, home};
  for (int i = 0; i < 2000; ++i) calendars.push_back(i % 2 ? home : work);

  const FetchResult result = fetch(predicate(calendars));
  EXPECT_EQ(result.calls, 1);
  EXPECT_FALSE(result.onCallerThread);
  EXPECT_EQ(titles(result), (std::vector<std::string>{"work z", "home a", "home b"}));
  ASSERT_EQ(result.reminders.size(), 3u);
  EXPECT_EQ(msgSend<id>(result.reminders[0], "calendar"), work);
  EXPECT_EQ(msgSend<id>(result.reminders[1], "calendar"), home);
  EXPECT_EQ(standin::utf8Of(msgSend<id>(result.reminders[1], "calendarItemIdentifier")), "ha");
}

TEST_F(ReminderStore, UnreadableFilesAreSkippedOrCutWithOneNoteEachAndNothingWritten) {
  root_.addList(kHome, "Home", "#123456");
  root_.addReminder(kHome, "1.ics", reminderICS("SUMMARY:first"));
  root_.addReminder(kHome, "2.ics", "BEGIN:VCALENDAR\r\nBEGIN:VTODO\r\nSUMMARY:cut");
  root_.addReminder(kHome, "3.ics",
                    "BEGIN:VCALENDAR\r\nBEGIN:VTODO\r\nSUMMARY:one\r\nEND:VTODO\r\ngarbage\r\n"
                    "BEGIN:VTODO\r\nSUMMARY:two\r\nDUE:soon\r\nEND:VTODO\r\nBEGIN:VTODO\r\nSUMMARY:cut");
  auto snapshot = [&] {
    std::map<std::string, std::uintmax_t> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root_.listsFolder()))
      files[entry.path().string()] = entry.is_regular_file() ? entry.file_size() : 0;
    return files;
  };
  const auto before = snapshot();
  const FetchResult result = fetch(predicate({calendar(kHome)}));
  EXPECT_EQ(titles(result), (std::vector<std::string>{"first", "one", "two"}));
  const std::vector<std::string> lines = storeNotes();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0],
            "EventKit: skipping unreadable reminder file " + ReminderDeviceRoot::reminderDevicePath(kHome, "2.ics"));
  EXPECT_TRUE(lines[1].starts_with("EventKit: reminder file " + ReminderDeviceRoot::reminderDevicePath(kHome, "3.ics") +
                                   " is partly unreadable"))
      << lines[1];
  EXPECT_EQ(snapshot(), before);
}

TEST_F(ReminderStore, HostileFilesNeitherCrashNorHang) {
  root_.addList(kHome, "Home");
  root_.addReminder(kHome, "1.ics", reminderICS("SUMMARY:%@ %s %n %x\xFF"));
  std::string alarms;
  for (int i = 0; i < 3000; ++i) alarms += "BEGIN:VALARM\nX-APPLE-STRUCTURED-LOCATION;X-TITLE=%n:geo:1,2\nEND:VALARM\n";
  root_.addReminder(kHome, "2.ics", reminderICS("SUMMARY:alarms\n" + alarms));
  root_.addReminder(kHome, "3.ics", reminderICS("SUMMARY:big\nDESCRIPTION:" + std::string(5u << 20, 'x')));
  root_.addReminder(kHome, "4.ics", std::string(1000, '\0'));
  const FetchResult result = fetch(predicate({calendar(kHome)}));
  EXPECT_EQ(titles(result), (std::vector<std::string>{"%@ %s %n %x\xEF\xBF\xBD", "alarms", "big"}));
  ASSERT_EQ(result.reminders.size(), 3u);
  EXPECT_EQ(standin::arrayItems(msgSend<id>(result.reminders[1], "alarms")).size(), 3000u);
}

// 818121600 is 2026-12-05 00:00 UTC.
TEST_F(ReminderStore, DueDateBoundsSelectDatedRemindersOnly) {
  root_.addList(kHome, "Home");
  root_.addReminder(kHome, "1.ics", reminderICS("SUMMARY:before\nDUE:20261201T000000Z"));
  root_.addReminder(kHome, "2.ics", reminderICS("SUMMARY:inside\nDUE:20261205T120000Z"));
  root_.addReminder(kHome, "3.ics", reminderICS("SUMMARY:day inside\nDUE;VALUE=DATE:20261206"));
  root_.addReminder(kHome, "4.ics", reminderICS("SUMMARY:at end\nDUE:20261210T000000Z"));
  root_.addReminder(kHome, "5.ics", reminderICS("SUMMARY:undated"));
  // Due components are Gregorian whatever calendar the user picked.
  auto date = [](int day) { return standin::dateWithTimeIntervalSinceReferenceDate(818121600 + (day - 5) * 86400.0); };
  id home = calendar(kHome);
  for (const char* user : {"buddhist", "japanese", "gregorian"}) {
    ASSERT_TRUE(standin::setCurrentCalendarIdentifier(user));
    EXPECT_EQ(titles(fetch(predicate({home}, date(2), date(10)))), (std::vector<std::string>{"inside", "day inside"}))
        << user;
    EXPECT_EQ(titles(fetch(predicate({home}, nil, date(2)))), (std::vector<std::string>{"before"})) << user;
    EXPECT_EQ(titles(fetch(predicate({home}, date(6), nil))), (std::vector<std::string>{"day inside", "at end"}))
        << user;
  }
  EXPECT_EQ(fetch(predicate({home})).reminders.size(), 5u);
}

TEST_F(ReminderStore, CalendarsFromListFoldersAndExportedCalendarFiles) {
  root_.addList(kHome, "Home", "#FF8000");
  root_.addList(kWork, "Work", "#00FF0080");
  root_.addList("no-colour", "Plain");
  root_.addList("bad-colour", "Odd", "orange");
  id home = calendar(kHome);
  EXPECT_EQ(standin::utf8Of(msgSend<id>(home, "calendarIdentifier")), kHome);
  EXPECT_EQ(standin::utf8Of(msgSend<id>(home, "title")), "Home");
  auto rgba = [&](const char* list) {
    CGColorRef c = msgSend<CGColorRef>(calendar(list), "CGColor");
    const CGFloat* rgb = c ? CGColorGetComponents(c) : nullptr;
    return c ? std::vector<double>{rgb[0], rgb[1], rgb[2], CGColorGetAlpha(c)} : std::vector<double>{};
  };
  EXPECT_EQ(rgba(kHome), (std::vector<double>{1.0, 128.0 / 255, 0.0, 1.0}));
  EXPECT_EQ(rgba(kWork), (std::vector<double>{0.0, 1.0, 0.0, 128.0 / 255}));
  // A calendar always has a colour: one the list does not give is the
  // store's own, and an unreadable colour file says so.
  const std::vector<double> storeDefault{0x8E / 255.0, 0x8E / 255.0, 0x93 / 255.0, 1.0};
  StandInNotesClearForTesting();
  EXPECT_EQ(rgba("no-colour"), storeDefault);
  EXPECT_TRUE(StandInNotes().empty());
  EXPECT_EQ(rgba("bad-colour"), storeDefault);
  ASSERT_EQ(StandInNotes().size(), 1u);
  EXPECT_EQ(StandInNotes()[0],
            "EventKit: /var/mobile/Library/Calendar/Lists/bad-colour/color holds no \"#RRGGBB\" or "
            "\"#RRGGBBAA\" colour; the list takes the store's default colour");

  EXPECT_EQ(calendar("11111111-2222-3333-4444-555555555555"), nil);
  EXPECT_EQ(calendar(".."), nil);
  for (id identifier : {id{nil}, objc_autorelease(objc_new("NSObject"))})
    EXPECT_EQ((msgSend<id, id>(store_, "calendarWithIdentifier:", identifier)), nil);

  // A list folder without a displayname whose one file is an exported calendar.
  root_.addReminder("EXPORTED", "Work.ics",
                    "BEGIN:VCALENDAR\r\nX-WR-CALNAME:Office\r\nX-APPLE-CALENDAR-COLOR:#00FF00\r\n"
                    "BEGIN:VTODO\r\nUID:1\r\nSUMMARY:first\r\nEND:VTODO\r\n"
                    "BEGIN:VTODO\r\nUID:4\r\nEND:VTODO\r\nEND:VCALENDAR\r\n");
  id exported = calendar("EXPORTED");
  ASSERT_NE(exported, nil);
  EXPECT_EQ(standin::utf8Of(msgSend<id>(exported, "title")), "Office");
  const FetchResult result = fetch(predicate({exported}));
  EXPECT_EQ(titles(result), (std::vector<std::string>{"first", ""}));
  // Without SUMMARY the title is an empty string, not nil.
  ASSERT_EQ(result.reminders.size(), 2u);
  EXPECT_NE(msgSend<id>(result.reminders[1], "title"), nil);
  EXPECT_TRUE(standin::capturedLogLines().empty());
}

BOOL askForAccess(id store, bool* onCallerThread) {
  std::atomic<int> granted{-1};
  const std::thread::id caller = std::this_thread::get_id();
  dispatch_semaphore_t answered = dispatch_semaphore_create(0);
  standin::AccessCompletion completion = [&](BOOL yes, id) {
    *onCallerThread = std::this_thread::get_id() == caller;
    granted = yes;
    dispatch_semaphore_signal(answered);
  };
  msgSend<void, NSUInteger, standin::AccessCompletion>(
      store, "requestAccessToEntityType:completion:", EKEntityTypeReminder, completion);
  dispatch_semaphore_wait(answered, DISPATCH_TIME_FOREVER);
  dispatch_release(answered);
  return granted == 1;
}

TEST_F(ReminderStore, AccessIsGrantedUnlessTheDeviceDeniesIt) {
  root_.addList(kHome, "Home");
  root_.addReminder(kHome, "1.ics", reminderICS("SUMMARY:one"));
  bool onCallerThread = true;
  EXPECT_TRUE(askForAccess(store_, &onCallerThread));
  EXPECT_FALSE(onCallerThread);
  id home = calendar(kHome);
  ASSERT_NE(home, nil);

  root_.denyAccess();
  EXPECT_FALSE(askForAccess(store_, &onCallerThread));
  EXPECT_FALSE(onCallerThread);
  // Without permission the store shows nothing, as a device's does.
  EXPECT_EQ(calendar(kHome), nil);
  const FetchResult result = fetch(predicate({home}));
  EXPECT_EQ(result.calls, 1);
  EXPECT_TRUE(result.reminders.empty());
}

TEST_F(ReminderStore, FetchesFromManyThreadsAtOnce) {
  root_.addList(kHome, "Home");
  for (int i = 0; i < 200; ++i)
    root_.addReminder(kHome, std::to_string(1000 + i) + ".ics", reminderICS("SUMMARY:" + std::to_string(i)));
  id home = calendar(kHome);
  std::vector<std::thread> threads;
  std::atomic<int> complete{0};
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&] {
      AutoreleasePool pool;
      for (int round = 0; round < 3; ++round)
        if (fetch(predicate({home})).reminders.size() == 200) ++complete;
    });
  // Rewritten as sync tools do, by moving a new file over the old one.
  for (int i = 0; i < 20; ++i) {
    root_.addReminder(kHome, ".new", reminderICS("SUMMARY:0 v" + std::to_string(i)));
    std::filesystem::rename(root_.listFolder(kHome) / ".new", root_.listFolder(kHome) / "1000.ics");
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(complete, 12);
  EXPECT_EQ(titles(fetch(predicate({home})))[0], "0 v19");  // the last rewrite is seen
}

TEST_F(ReminderStore, HugeFilesInBoundedTimeAndMemory) {
  root_.addList(kHome, "Home");
  root_.addReminder(kHome, "1.ics", std::string(16u << 20, 'x'));
  std::string shortLines;
  while (shortLines.size() < 14'000'000) shortLines += "X-A:b\n";  // 16 MB with CRLF
  root_.addReminder(kHome, "2.ics", reminderICS("SUMMARY:short lines\n" + shortLines));
  root_.addReminder(kHome, "3.ics", reminderICS("SUMMARY:" + std::string(1'000'000, 't')));
  root_.addReminder(kHome, "4.ics", std::string(kMaxReminderFileBytes + 1, '\n'));
  const FetchResult result = fetch(predicate({calendar(kHome)}));
  ASSERT_EQ(result.reminders.size(), 2u);
  EXPECT_EQ(titles(result)[0], "short lines");
  EXPECT_EQ(titles(result)[1].size(), 1'000'000u);
  const std::vector<std::string> lines = storeNotes();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0],
            "EventKit: skipping unreadable reminder file " + ReminderDeviceRoot::reminderDevicePath(kHome, "1.ics"));
  EXPECT_EQ(lines[1], "EventKit: skipping reminder file " + ReminderDeviceRoot::reminderDevicePath(kHome, "4.ics") +
                          ": larger than 16777216 bytes");
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  EXPECT_LT(usage.ru_maxrss, 1024 * 1024);  // kilobytes: far below a gigabyte
}

}  // namespace
