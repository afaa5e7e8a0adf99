#include "settings_pane.h"

#include <plist/plist.h>
#include <stdlib.h>

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <vector>

#include "foundation/device.h"

namespace sb {
namespace {

namespace fs = std::filesystem;

// A settings file larger than this is not one the pane wrote: it starts
// afresh rather than read it.
constexpr std::uintmax_t kMaxSettingsFileBytes = 4 << 20;

enum class PaneType { Boolean, Integer, Text };

const std::map<std::string, PaneType>& paneKeys() {
  static const auto* keys = new std::map<std::string, PaneType>{
      {"enabled", PaneType::Boolean},
      {"showPriority", PaneType::Boolean},
      {"showItemsWithoutDueDate", PaneType::Boolean},
      {"showItemsWithDueDate", PaneType::Boolean},
      {"showItemsWithPastDueDate", PaneType::Boolean},
      {"compatibilityMode", PaneType::Boolean},
      {"hideOnNowPlayingScreen", PaneType::Boolean},
      {"customLaunchAppBundleID", PaneType::Text},
      {"showSeparatorLines", PaneType::Boolean},
      {"rightAlignedDate", PaneType::Boolean},
      {"displayLocation", PaneType::Boolean},
      {"sameHeightRows", PaneType::Boolean},
      {"wallpaperBlurMode", PaneType::Integer},
      {"reminderSorting", PaneType::Integer},
      {"swipeAction", PaneType::Integer},
      {"textColor", PaneType::Integer},
      {"textSize", PaneType::Integer},
      {"subtitleTextColor", PaneType::Integer},
      {"subtitleTextSize", PaneType::Integer},
      {"dateTextColor", PaneType::Integer},
      {"dateTextSize", PaneType::Integer},
      {"daysToDisplay", PaneType::Integer},
      {"maxRemindersToDisplay", PaneType::Integer},
      {"iconFile", PaneType::Text},
  };
  return *keys;
}

std::optional<bool> booleanWord(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  if (text == "true" || text == "yes" || text == "1") return true;
  if (text == "false" || text == "no" || text == "0") return false;
  return std::nullopt;
}

std::optional<long long> integer(const std::string& text) {
  if (text.empty() || std::isspace(static_cast<unsigned char>(text[0]))) return std::nullopt;
  errno = 0;
  char* end = nullptr;
  long long value = std::strtoll(text.c_str(), &end, 10);
  if (errno == ERANGE || end != text.c_str() + text.size()) return std::nullopt;
  return value;
}

plist_t toPlist(const SettingValue& value) {
  if (auto* b = std::get_if<bool>(&value)) return plist_new_bool(*b);
  // libplist keeps one integer node; a negative value is its 64-bit pattern,
  // which property-list readers give back as the signed number.
  if (auto* i = std::get_if<long long>(&value)) return plist_new_uint(static_cast<uint64_t>(*i));
  return plist_new_string(std::get<std::string>(value).c_str());
}

// What an interrupted run leaves: the settings and list selection files
// (and the files being saved) and their folders up to the private folder,
// deepest first, fixed when the folder is made so that a signal handler only
// unlinks.
constexpr int kMaxCleanupPaths = 14;
char gCleanupPaths[kMaxCleanupPaths][1024];
bool gCleanupIsFolder[kMaxCleanupPaths];
volatile sig_atomic_t gCleanupCount = 0;

void removeOnSignal(int signal) {
  for (int i = 0; i < gCleanupCount; ++i) {
    if (gCleanupIsFolder[i]) rmdir(gCleanupPaths[i]);
    else unlink(gCleanupPaths[i]);
  }
  ::signal(signal, SIG_DFL);
  raise(signal);
}

void removeFolderOnSignals(const std::string& folder) {
  fs::path file = folder + kSettingsDevicePath;
  std::string selection = folder + kCalendarSelectionDevicePath;
  std::vector<std::pair<std::string, bool>> paths = {{file.string() + ".new", false}, {file.string(), false},
                                                     {selection + ".new", false}, {selection, false}};
  for (fs::path dir = file.parent_path(); dir.string().size() >= folder.size(); dir = dir.parent_path()) {
    paths.emplace_back(dir.string(), true);
    if (dir.string().size() == folder.size()) break;
  }
  int count = 0;
  for (const auto& [path, isFolder] : paths) {
    if (count == kMaxCleanupPaths || path.size() >= sizeof gCleanupPaths[0]) return;  // leave the handlers unset
    std::memcpy(gCleanupPaths[count], path.c_str(), path.size() + 1);
    gCleanupIsFolder[count++] = isFolder;
  }
  gCleanupCount = count;
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction current {};
    // A handler the program set for itself stays.
    if (sigaction(sig, nullptr, &current) == 0 && current.sa_handler == SIG_DFL) ::signal(sig, removeOnSignal);
  }
}

void stopRemovingOnSignals() {
  gCleanupCount = 0;
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction current {};
    if (sigaction(sig, nullptr, &current) == 0 && current.sa_handler == removeOnSignal) ::signal(sig, SIG_DFL);
  }
}

}  // namespace

SettingValue typedSetting(const std::string& key, const std::string& text) {
  if (key.empty()) throw SettingError("a setting needs a key");
  auto known = paneKeys().find(key);
  if (known == paneKeys().end()) {
    if (auto b = booleanWord(text); b && text != "1" && text != "0") return *b;
    if (auto i = integer(text)) return *i;
    return text;
  }
  switch (known->second) {
    case PaneType::Boolean:
      if (auto b = booleanWord(text)) return *b;
      throw SettingError("\"" + key + "\" is a switch: true or false, not \"" + text + "\"");
    case PaneType::Integer:
      if (auto i = integer(text)) return *i;
      throw SettingError("\"" + key + "\" is a whole number, not \"" + text + "\"");
    case PaneType::Text: break;
  }
  return text;
}

std::string settingText(const SettingValue& value) {
  if (auto* b = std::get_if<bool>(&value)) return *b ? "true" : "false";
  if (auto* i = std::get_if<long long>(&value)) return std::to_string(*i);
  return "\"" + std::get<std::string>(value) + "\"";
}

SettingsPane::~SettingsPane() {
  if (folder_.empty()) return;
  stopRemovingOnSignals();
  NSSetDeviceOverlay("");
  std::error_code ignored;
  fs::remove_all(folder_, ignored);
}

static bool inside(const fs::path& path, const fs::path& folder) {
  std::error_code ec;
  fs::path p = fs::weakly_canonical(fs::absolute(path, ec), ec), f = fs::weakly_canonical(fs::absolute(folder, ec), ec);
  return std::mismatch(f.begin(), f.end(), p.begin(), p.end()).first == f.end();
}

void SettingsPane::ensureFolder() {
  if (!folder_.empty()) return;
  std::error_code ec;
  fs::path base = fs::temp_directory_path(ec);
  if (ec) base = "/tmp";
  if (inside(base, NSDeviceRoot()))
    throw SettingError("the temporary folder " + base.string() + " lies in the device root " + NSDeviceRoot() +
                       "; settings changes are never written there");
  std::string pattern = (base / "springboard-settings-XXXXXX").string();
  if (!mkdtemp(pattern.data()))
    throw SettingError("cannot make a private folder for the settings: " + std::string(std::strerror(errno)));
  folder_ = pattern;
  removeFolderOnSignals(folder_);
  NSSetDeviceOverlay(folder_);
}

void* SettingsPane::current() const {
  std::string path = NSResolveDevicePath(kSettingsDevicePath);
  std::error_code ec;
  plist_t parsed = nullptr;
  if (fs::is_regular_file(path, ec) && fs::file_size(path, ec) <= kMaxSettingsFileBytes && !ec) {
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!bytes.empty()) plist_from_memory(bytes.data(), static_cast<uint32_t>(bytes.size()), &parsed);
  }
  if (parsed && plist_get_node_type(parsed) == PLIST_DICT) return parsed;
  if (parsed) plist_free(parsed);
  return plist_new_dict();
}

void SettingsPane::write(void* dictionary) {
  plist_t dict = static_cast<plist_t>(dictionary);
  char* xml = nullptr;
  uint32_t length = 0;
  plist_to_xml(dict, &xml, &length);
  plist_free(dict);
  std::string bytes(xml ? xml : "", xml ? length : 0);
  free(xml);
  ensureFolder();
  fs::path file = folder_ + kSettingsDevicePath;
  std::error_code ec;
  fs::create_directories(file.parent_path(), ec);
  // As a pane saves: a new file put in place whole, so the library never
  // reads half of one.
  fs::path partial = file;
  partial += ".new";
  {
    std::ofstream out(partial, std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out.flush()) throw SettingError("cannot write the settings into the private folder " + folder_);
  }
  fs::rename(partial, file, ec);
  if (ec) throw SettingError("cannot write the settings into the private folder " + folder_ + ": " + ec.message());
}

void SettingsPane::set(const std::string& key, const SettingValue& value) {
  plist_t dict = static_cast<plist_t>(current());
  plist_dict_set_item(dict, key.c_str(), toPlist(value));
  write(dict);
}

void SettingsPane::unset(const std::string& key) {
  plist_t dict = static_cast<plist_t>(current());
  if (plist_dict_get_item(dict, key.c_str())) plist_dict_remove_item(dict, key.c_str());
  write(dict);
}

void SettingsPane::replaceAll(const Settings& settings) {
  plist_t dict = plist_new_dict();
  for (const auto& [key, value] : settings) plist_dict_set_item(dict, key.c_str(), toPlist(value));
  write(dict);
}

}  // namespace sb
