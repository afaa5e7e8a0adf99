// The library's settings pane, as the simulator plays it: it writes the
// settings file while the phone is locked, and the library reads it at the
// next lock. The user's device root is never written: the file goes to a
// private folder that lives as long as the pane, and the platform reads
// device paths there first.
#pragma once

#include <map>
#include <stdexcept>
#include <string>
#include <variant>

namespace sb {

inline constexpr const char* kSettingsDevicePath =
    "/var/mobile/Library/Preferences/org.velmorra.quillstonebriarwhistleprefs.plist";
// The list selection, which the pane's "Reminder lists" page writes.
inline constexpr const char* kCalendarSelectionDevicePath =
    "/var/mobile/Library/Preferences/org.velmorra.quillstonebriarwhistle.calendars.plist";

// A value as the pane stores it: a boolean, an integer or a string.
using SettingValue = std::variant<bool, long long, std::string>;
using Settings = std::map<std::string, SettingValue>;

class SettingError : public std::invalid_argument {
 public:
  using std::invalid_argument::invalid_argument;
};

// The value the pane writes for `key` when the user enters `text`: the
// pane's switches store booleans ("true", "false", "yes", "no", "1", "0"),
// its number fields integers and its text fields strings. A key the pane
// does not know is typed by its text: a boolean word, else an integer, else
// a string. Raises SettingError when the text does not fit the key.
SettingValue typedSetting(const std::string& key, const std::string& text);

// The value as written back in a step: true, 20, "DOT".
std::string settingText(const SettingValue& value);

class SettingsPane {
 public:
  SettingsPane() = default;
  ~SettingsPane();  // the private folder goes, and reads go to the root alone again
  SettingsPane(const SettingsPane&) = delete;
  SettingsPane& operator=(const SettingsPane&) = delete;

  // Each writes the whole file: the settings as the device root holds them
  // (or as this pane last wrote them) with the change. Raise SettingError
  // when the private folder cannot be made or written.
  void set(const std::string& key, const SettingValue& value);
  void unset(const std::string& key);
  // The file holds exactly these settings.
  void replaceAll(const Settings& settings);

  // The private folder, empty until the pane first writes.
  const std::string& privateFolder() const { return folder_; }
  // Makes the private folder, so that a program writing device files (the
  // settings pane's own code) writes there. Raises SettingError as set does.
  void ensureFolder();

 private:
  void write(void* dictionary);  // takes a libplist dictionary
  void* current() const;         // a libplist dictionary, new

  std::string folder_;
};

}  // namespace sb
