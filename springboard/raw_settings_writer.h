// The settings file written raw, as another program would write it: the
// simulator's `--set KEY=VALUE` and the steps `set KEY VALUE` and
// `unset KEY` store values the settings pane's controls might never store
// (a number past 32 bits, a switch set to a string), so that a run shows
// what the library makes of them at the next lock. The settings pane itself
// is prefs/, worked through the Settings app (settings_app/).
//
// The file goes into the run's private folder, never into the device root.
#pragma once

#include <string>

#include "private_folder.h"
#include "setting_value.h"

namespace sb {

class RawSettingsWriter {
 public:
  explicit RawSettingsWriter(PrivateFolder& folder) : folder_(folder) {}

  // Each writes the whole file: the settings as the device root holds them
  // (or as the private folder holds them since the last write) with the
  // change. Raise SettingError when the private folder cannot be made or
  // written.
  void set(const std::string& key, const SettingValue& value);
  void unset(const std::string& key);
  // The file holds exactly these settings.
  void replaceAll(const Settings& settings);

 private:
  void write(void* dictionary);  // takes a libplist dictionary
  void* current() const;         // a libplist dictionary, new

  PrivateFolder& folder_;
};

}  // namespace sb
