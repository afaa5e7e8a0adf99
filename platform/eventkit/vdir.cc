#include "eventkit/vdir.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "eventkit/reminder_cache.h"
#include "eventkit/store_limits.h"
#include "eventkit/utf8_repair.h"
#include "base/regular_file.h"

namespace fs = std::filesystem;

namespace {
// A small regular file whole; nullopt when absent, not a regular file or
// too large.
std::optional<std::string> readSmallFile(const fs::path& path) {
  std::string text;
  if (standin::readRegularFile(path.string(), kMaxListFileBytes, &text) != standin::FileReadStatus::Read)
    return std::nullopt;
  return text;
}

std::string_view trimmed(std::string_view s) {
  constexpr std::string_view space = " \t\r\n";
  const std::size_t first = s.find_first_not_of(space);
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(space) - first + 1);
}
}  // namespace

bool isListIdentifier(std::string_view identifier) {
  return !identifier.empty() && identifier[0] != '.' && identifier.find('/') == std::string_view::npos &&
         identifier.find('\0') == std::string_view::npos;
}

std::optional<ReminderList> readReminderList(const std::string& listsFolder, std::string_view identifier) {
  if (!isListIdentifier(identifier)) return std::nullopt;
  const fs::path folder = fs::path(listsFolder) / identifier;
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) return std::nullopt;
  ReminderList list;
  list.identifier = identifier;
  list.folder = folder.string();
  const std::optional<std::string> name = readSmallFile(folder / "displayname");
  const std::optional<std::string> color = readSmallFile(folder / "color");
  if (name) list.displayName = repairUTF8(trimmed(*name));
  if (color) {
    list.color = parseListColor(*color);
    list.colorFileUnreadable = !list.color;
  }
  if (!name || !list.color) {
    const CalendarProperties own = listCalendarProperties(list.folder);
    if (!name && own.name) list.displayName = *own.name;
    if (!list.color) list.color = own.color;
  }
  return list;
}

std::vector<std::string> listIdentifiers(const std::string& listsFolder) {
  std::vector<std::string> identifiers;
  std::error_code ec;
  std::size_t seen = 0;
  for (fs::directory_iterator it(listsFolder, ec), end; !ec && it != end && ++seen <= kMaxListFolderEntries;
       it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (isListIdentifier(name) && it->is_directory(ec)) identifiers.push_back(name);
  }
  std::sort(identifiers.begin(), identifiers.end());
  return identifiers;
}
