#include "setting_value.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <optional>

#include "qst/settings_table.h"

namespace sb {
namespace {

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

}  // namespace

SettingValue typedSetting(const std::string& key, const std::string& text) {
  if (key.empty()) throw SettingError("a setting needs a key");
  const qst::Setting* known = qst::findSetting(key.c_str());
  if (!known) {
    if (auto b = booleanWord(text); b && text != "1" && text != "0") return *b;
    if (auto i = integer(text)) return *i;
    return text;
  }
  switch (known->kind) {
    case qst::SettingKind::Boolean:
      if (auto b = booleanWord(text)) return *b;
      throw SettingError("\"" + key + "\" is a switch: true or false, not \"" + text + "\"");
    case qst::SettingKind::Choice:
    case qst::SettingKind::Number:
    case qst::SettingKind::Color:
      if (auto i = integer(text)) return *i;
      throw SettingError("\"" + key + "\" is a whole number, not \"" + text + "\"");
    case qst::SettingKind::Text: break;
  }
  return text;
}

std::string unknownSettingNote(const std::string& key) {
  if (qst::findSetting(key.c_str())) return "";
  auto folded = [](std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
  };
  std::string note = key + " is not a setting the library reads";
  for (const qst::Setting& setting : qst::kSettings)
    if (folded(setting.key) == folded(key)) note += std::string(" (") + setting.key + " is)";
  return note;
}

std::string settingText(const SettingValue& value) {
  if (auto* b = std::get_if<bool>(&value)) return *b ? "true" : "false";
  if (auto* i = std::get_if<long long>(&value)) return std::to_string(*i);
  return "\"" + std::get<std::string>(value) + "\"";
}

}  // namespace sb
