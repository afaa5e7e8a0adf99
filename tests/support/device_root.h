// A throw-away device root for a test: the settings file, the calendar selection, the companion's sorting file.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "qst/settings_table.h"
#include "temp_folder.h"

namespace qst_test {

using PlistValue = std::variant<bool, long long, double, std::string, std::vector<std::string>>;
using PlistDict = std::map<std::string, PlistValue>;
enum class PlistFormat { XML, Binary };

inline constexpr const char* kSettingsPath = qst::kSettingsFilePath;
inline constexpr const char* kCalendarsPath = qst::kCalendarSelectionFilePath;
inline constexpr const char* kSortingPath = "/var/mobile/Library/Preferences/org.velmorra.corvane.sorting.plist";

// One reminder's VTODO property lines, e.g. {"SUMMARY:Milk", "PRIORITY:1"}.
using Todo = std::vector<std::string>;

class DeviceRoot {
 public:
  // What a fresh root holds: the reminder store's (empty) lists folder, as a phone with Reminders has.
  enum class Start { WithListsFolder, Empty };

  explicit DeviceRoot(Start start = Start::WithListsFolder);

  const std::string& path() const { return root_.path(); }
  // The host path of a device path ("/var/...").
  std::string hostPath(const std::string& devicePath) const;

  void settings(const PlistDict& values, PlistFormat format = PlistFormat::XML);
  void selectCalendars(const std::vector<std::string>& identifiers);
  void sorting(const std::vector<std::string>& sources);
  // A reminder list; an empty colour writes no colour file.
  void list(const std::string& identifier, const std::string& name, const std::string& color = "#FF0000");
  // Adds a reminder to a list; files are read in name order.
  void reminder(const std::string& list, const Todo& todo);
  // The other applications' notifications, as a JSON array text.
  void notifications(std::string_view json);
  // Any file, at a device path; its folders are made.
  void file(const std::string& devicePath, std::string_view contents);

 private:
  TempFolder root_{"qst-root"};
  std::map<std::string, int> remindersPerList_;
};

// Identifiers for test lists.
inline constexpr const char* kHome = "0D7B1A53-7C43-4C2B-9E22-6E1F3A9C0001";
inline constexpr const char* kWork = "0D7B1A53-7C43-4C2B-9E22-6E1F3A9C0002";

}  // namespace qst_test
