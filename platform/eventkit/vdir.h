// The local copy of a calendar account in the layout CalDAV sync tools
// (vdirsyncer) write: one folder per list, named by the list's identifier,
// holding a `displayname` file, a `color` file and one .ics file per item.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "eventkit/reminder_record.h"

struct ListColor {
  double red = 0, green = 0, blue = 0, alpha = 1;
};

struct ReminderList {
  std::string identifier;
  std::string folder;       // host path of the list's folder
  std::string displayName;  // valid UTF-8; "" without a displayname file
  std::optional<ListColor> color;
};

// "#RRGGBB" or "#RRGGBBAA" (any case, surrounding white space ignored);
// nullopt for anything else.
std::optional<ListColor> parseListColor(std::string_view text);

// An identifier names a folder directly inside the lists folder: it may not
// be empty, contain a '/' or start with '.' (hidden folders, "..").
bool isListIdentifier(std::string_view identifier);

// The list with that identifier under `listsFolder`, or nullopt when there
// is no such folder.
std::optional<ReminderList> readReminderList(const std::string& listsFolder, std::string_view identifier);
// The identifiers of every list under `listsFolder`, sorted.
std::vector<std::string> listIdentifiers(const std::string& listsFolder);
// The .ics files of a list folder, as host paths sorted by file name.
std::vector<std::string> reminderFilePaths(const std::string& listFolder);

// Larger files are refused unread: a reminder is a few kilobytes.
inline constexpr std::size_t kMaxReminderFileBytes = 16u << 20;
// The reminder in one .ics file; nullopt when the file cannot be read, is
// too large or holds no reminder. Without a UID the file name (less ".ics")
// identifies the reminder, as it does for the sync tools.
std::optional<ReminderRecord> readReminderFile(const std::string& path);
