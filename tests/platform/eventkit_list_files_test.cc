// A list folder as the store reads it: which files, in which order.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "eventkit/reminder_cache.h"
#include "eventkit/vdir.h"
#include "reminder_device_root.h"

namespace {

constexpr const char* kList = "6D3F0C2A-1B4E-4C8F-9A7D-2E5B8C1F0A11";

// Each case runs with the folder watched for changes and with every file looked at.
class ListFolder : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override { watchReminderFoldersForTesting(GetParam()); }

  ListFiles read() {
    FetchBudget budget;
    return readListFiles(root_.listFolder(kList).string(), budget);
  }
  // Titles of what a read of the folder gives, and how many files it opened.
  std::vector<std::string> titles(std::size_t* opened = nullptr) {
    const std::size_t before = reminderFileReadsForTesting();
    std::vector<std::string> out;
    for (const ListFile& file : read().files)
      if (file.contents)
        for (std::size_t i = 0; i < file.remindersTaken; ++i) out.push_back(file.contents->reminders[i].title);
    if (opened) *opened = reminderFileReadsForTesting() - before;
    return out;
  }
  void add(const std::string& file, const std::string& title) {
    root_.addReminder(kList, file, reminderICS("UID:" + file + "\nSUMMARY:" + title));
  }

  ReminderDeviceRoot root_;
};

using Titles = std::vector<std::string>;

TEST_P(ListFolder, EachKindOfChangeIsSeenAtTheNextRead) {
  root_.addList(kList, "Home");
  for (char c = 'a'; c <= 'f'; ++c) add(std::string(1, c) + ".ics", std::string(1, c));
  root_.settle();
  // A cold read opens every file; a read of the unchanged folder, none.
  std::size_t opened = 0;
  EXPECT_EQ(titles(&opened), (Titles{"a", "b", "c", "d", "e", "f"}));
  EXPECT_EQ(opened, 6u);
  EXPECT_EQ(titles(&opened), (Titles{"a", "b", "c", "d", "e", "f"}));
  EXPECT_EQ(opened, 0u);

  // Rewritten in place, same size, at once: the same second as the read.
  add("a.ics", "A");
  // Rewritten with another size; a new file; one removed; one renamed.
  add("b.ics", "bigger b");
  add("g.ics", "new g");
  std::filesystem::remove(root_.listFolder(kList) / "c.ics");
  std::filesystem::rename(root_.listFolder(kList) / "d.ics", root_.listFolder(kList) / "0.ics");
  root_.addReminder(kList, "tmp", reminderICS("SUMMARY:replaced e"));
  std::filesystem::rename(root_.listFolder(kList) / "tmp", root_.listFolder(kList) / "e.ics");
  EXPECT_EQ(titles(&opened), (Titles{"d", "A", "bigger b", "replaced e", "f", "new g"}));

  // Only a modification time moved back: still a change.
  titles();
  root_.settle();
  titles();
  const auto f = root_.listFolder(kList) / "f.ics";
  std::filesystem::last_write_time(f, std::filesystem::last_write_time(f) - std::chrono::hours(2));
  titles(&opened);
  EXPECT_EQ(opened, 1u);
}

TEST_P(ListFolder, AFolderReplacedWholeIsReadAfresh) {
  root_.addList(kList, "Home");
  add("a.ics", "old a");
  add("b.ics", "old b");
  EXPECT_EQ(titles(), (Titles{"old a", "old b"}));
  const auto folder = root_.listFolder(kList);
  std::filesystem::rename(folder, folder.string() + ".old");
  root_.addList(kList, "Home");
  add("a.ics", "new a");
  EXPECT_EQ(titles(), (Titles{"new a"}));
  std::filesystem::remove_all(folder);
  EXPECT_EQ(titles(), Titles{});
  root_.addList(kList, "Home");
  add("c.ics", "newer c");
  EXPECT_EQ(titles(), (Titles{"newer c"}));
}

TEST_P(ListFolder, UnreadableFilesAreNamedWithTheirReason) {
  root_.addList(kList, "Home");
  add("a.ics", "fine");
  root_.addReminder(kList, "big.ics", std::string(kMaxReminderFileBytes + 1, ' '));
  ASSERT_EQ(mkfifo((root_.listFolder(kList) / "fifo.ics").c_str(), 0600), 0);
  root_.addReminder(kList, "junk.ics", "no calendar at all");
  const ListFiles files = read();
  ASSERT_EQ(files.files.size(), 4u);
  EXPECT_TRUE(files.files[0].contents);
  EXPECT_NE(files.files[1].problem.find("larger than"), std::string::npos);
  EXPECT_EQ(files.files[2].problem, "not a regular file");
  EXPECT_FALSE(files.files[3].contents);
  EXPECT_EQ(files.files[3].problem, "");
}

TEST_P(ListFolder, BudgetCutsFilesAndComponents) {
  root_.addList(kList, "Home");
  for (char c = 'a'; c <= 'e'; ++c)
    add(std::string(1, c) + ".ics", std::string(1, c) + "\nBEGIN:VALARM\nTRIGGER:PT0S\nEND:VALARM");
  FetchBudget files{2, 1000};
  ListFiles two = readListFiles(root_.listFolder(kList).string(), files);
  EXPECT_EQ(two.files.size(), 2u);
  EXPECT_TRUE(two.budgetRanOut);
  FetchBudget components{1000, 5};  // each reminder costs itself and its alarm
  ListFiles cut = readListFiles(root_.listFolder(kList).string(), components);
  EXPECT_TRUE(cut.budgetRanOut);
  std::size_t taken = 0;
  for (const ListFile& f : cut.files) taken += f.remindersTaken;
  EXPECT_EQ(taken, 2u);
}

TEST_P(ListFolder, FiveThousandFiles) {
  root_.addList(kList, "Home");
  for (int i = 0; i < 5000; ++i) add("r" + std::to_string(100000 + i) + ".ics", std::to_string(i));
  const Titles first = titles();
  ASSERT_EQ(first.size(), 5000u);
  EXPECT_EQ(first.front(), "0");
  EXPECT_EQ(first.back(), "4999");
  add("r100000.ics", "changed");
  EXPECT_EQ(titles().front(), "changed");
}

INSTANTIATE_TEST_SUITE_P(Store, ListFolder, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Watched" : "LookedAt"; });

TEST(ReminderListFolder, NamesAndColoursFromFilesOrTheCalendarItself) {
  ReminderDeviceRoot root;
  root.addList("A-LIST", "Home  ", "#112233");
  root.addReminder("EXPORTED", "Tasks.ics",
                   "BEGIN:VCALENDAR\r\nX-WR-CALNAME:Exported\r\nX-APPLE-CALENDAR-COLOR:#FF0000\r\nEND:VCALENDAR\r\n");
  root.addList("HALF", "Named by file");  // no color file: the calendar's colour stands in
  root.addReminder("HALF", "x.ics", "BEGIN:VCALENDAR\r\nX-WR-CALNAME:Ignored\r\nCOLOR:navy\r\nEND:VCALENDAR\r\n");
  EXPECT_EQ(listIdentifiers(root.listsFolder()), (std::vector<std::string>{"A-LIST", "EXPORTED", "HALF"}));

  // Each list's name and colour, "none" when it has no colour.
  auto shown = [&](const char* list) {
    const auto read = readReminderList(root.listsFolder(), list);
    if (!read) return std::string("no list");
    const auto& c = read->color;
    return read->displayName +
           (c ? " " + std::to_string(c->red) + " " + std::to_string(c->green) + " " + std::to_string(c->blue)
              : " none");
  };
  EXPECT_EQ(shown("A-LIST"), "Home 0.066667 0.133333 0.200000");
  EXPECT_EQ(shown("EXPORTED"), "Exported 1.000000 0.000000 0.000000");
  EXPECT_EQ(shown("HALF"), "Named by file 0.000000 0.000000 0.501961");
  EXPECT_EQ(shown("C-LIST"), "no list");
}

TEST(ReminderListFolder, IdentifiersNeverLeaveTheListsFolder) {
  ReminderDeviceRoot root;
  root.addList("real", "Real");
  for (const char* escape : {"", ".", "..", "../Lists/real", "real/", "/etc"}) {
    EXPECT_FALSE(isListIdentifier(escape)) << escape;
    EXPECT_FALSE(readReminderList(root.listsFolder(), escape)) << escape;
  }
}

}  // namespace
