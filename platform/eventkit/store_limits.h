// How much of the device's reminder lists one fetch takes in. A real
// device holds a few hundred reminders of a few kilobytes each; every limit
// is far above that, and each keeps a hostile or broken file from costing
// the lock screen more than linear time and bounded memory. Going past one
// is logged and the rest of what can be read is still answered.
#pragma once

#include <cstddef>

// Larger reminder files are skipped unread.
inline constexpr std::size_t kMaxReminderFileBytes = 16u << 20;
// A property the store reads (after unfolding) longer than this is dropped;
// properties it does not read are stepped over whatever their length.
inline constexpr std::size_t kMaxPropertyLineBytes = 1u << 20;
// Parameters on a property the store reads (a location carries about five).
inline constexpr std::size_t kMaxPropertyParameters = 64;
// BEGIN/END nesting; a reminder needs three (calendar, to-do, alarm).
inline constexpr std::size_t kMaxComponentNesting = 16;
// To-dos and alarms read per file and per fetch.
inline constexpr std::size_t kMaxComponentsPerFetch = 100'000;
// Reminder files read per fetch, and entries looked at per list folder.
inline constexpr std::size_t kMaxReminderFilesPerFetch = 50'000;
inline constexpr std::size_t kMaxListFolderEntries = 200'000;
// displayname and color files.
inline constexpr std::size_t kMaxListFileBytes = 4096;
