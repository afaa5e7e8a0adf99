// A setting's value as a user types it on the simulator's command line
// (`--set KEY=VALUE`, the step `set KEY VALUE`) and as the settings file
// stores it: typed by the key's kind in the settings table, as the settings
// pane's control for that key would store it.
#pragma once

#include <map>
#include <stdexcept>
#include <string>
#include <variant>

namespace sb {

// A boolean, an integer or a string.
using SettingValue = std::variant<bool, long long, std::string>;
using Settings = std::map<std::string, SettingValue>;

class SettingError : public std::invalid_argument {
 public:
  using std::invalid_argument::invalid_argument;
};

// The value stored for `key` when the user enters `text`: a switch stores a
// boolean ("true", "false", "yes", "no", "1", "0"), a number or a choice an
// integer, a text field a string. A key the table does not hold is typed by
// its text: a boolean word, else an integer, else a string. Raises
// SettingError when the text does not fit the key.
SettingValue typedSetting(const std::string& key, const std::string& text);

// Empty for a key the library reads; for any other key the note a user
// needs, naming the key of the same letters in another case if there is
// one: "textsize is not a setting the library reads (textSize is)". The
// value is still written: another program may read the key.
std::string unknownSettingNote(const std::string& key);

// The value as written back in a step: true, 20, "DOT".
std::string settingText(const SettingValue& value);

}  // namespace sb
