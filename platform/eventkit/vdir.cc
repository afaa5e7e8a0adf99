#include "eventkit/vdir.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "eventkit/ics_reminder.h"
#include "eventkit/utf8_repair.h"

namespace fs = std::filesystem;

namespace {
constexpr std::size_t kMaxListFileBytes = 4096;

std::optional<std::string> readFileAtMost(const std::string& path, std::size_t limit) {
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) return std::nullopt;
  const auto size = fs::file_size(path, ec);
  if (ec || size > limit) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string bytes;
  bytes.reserve(size);
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (in.bad() || bytes.size() > limit) return std::nullopt;
  return bytes;
}

std::string_view trimmed(std::string_view s) {
  constexpr std::string_view space = " \t\r\n";
  const std::size_t first = s.find_first_not_of(space);
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(space) - first + 1);
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::vector<fs::path> sortedEntries(const std::string& folder) {
  std::vector<fs::path> entries;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) entries.push_back(it->path());
  std::sort(entries.begin(), entries.end(),
            [](const fs::path& a, const fs::path& b) { return a.filename().string() < b.filename().string(); });
  return entries;
}
}  // namespace

std::optional<ListColor> parseListColor(std::string_view text) {
  text = trimmed(text);
  if ((text.size() != 7 && text.size() != 9) || text[0] != '#') return std::nullopt;
  double channels[4] = {0, 0, 0, 255};
  for (std::size_t i = 0; i * 2 + 1 < text.size(); ++i) {
    const int high = hexDigit(text[1 + i * 2]), low = hexDigit(text[2 + i * 2]);
    if (high < 0 || low < 0) return std::nullopt;
    channels[i] = high * 16 + low;
  }
  return ListColor{channels[0] / 255, channels[1] / 255, channels[2] / 255, channels[3] / 255};
}

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
  if (auto name = readFileAtMost((folder / "displayname").string(), kMaxListFileBytes))
    list.displayName = repairUTF8(trimmed(*name));
  if (auto color = readFileAtMost((folder / "color").string(), kMaxListFileBytes)) list.color = parseListColor(*color);
  return list;
}

std::vector<std::string> listIdentifiers(const std::string& listsFolder) {
  std::vector<std::string> identifiers;
  std::error_code ec;
  for (const fs::path& entry : sortedEntries(listsFolder)) {
    const std::string name = entry.filename().string();
    if (isListIdentifier(name) && fs::is_directory(entry, ec)) identifiers.push_back(name);
  }
  return identifiers;
}

std::vector<std::string> reminderFilePaths(const std::string& listFolder) {
  std::vector<std::string> paths;
  for (const fs::path& entry : sortedEntries(listFolder))
    if (entry.extension() == ".ics" && entry.filename().string()[0] != '.') paths.push_back(entry.string());
  return paths;
}

std::optional<ReminderRecord> readReminderFile(const std::string& path) {
  const std::optional<std::string> text = readFileAtMost(path, kMaxReminderFileBytes);
  if (!text) return std::nullopt;
  std::optional<ReminderRecord> record = parseReminderICS(*text);
  if (record && record->uid.empty()) record->uid = repairUTF8(fs::path(path).stem().string());
  return record;
}
