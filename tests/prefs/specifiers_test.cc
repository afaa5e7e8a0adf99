// The pane's specifier plist, which the Settings app reads, states each
// setting's default once more: here it is held to the settings table that
// the library reads by, so a default changed in one place only fails.
#include <gtest/gtest.h>
#include <plist/plist.h>

#include <cctype>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "host/settings_table.h"

namespace qst_test {
namespace {

plist_t readPlistFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  plist_t root = nullptr;
  if (!bytes.empty()) plist_from_memory(bytes.data(), static_cast<uint32_t>(bytes.size()), &root);
  return root;
}

std::string stringOf(plist_t node) {
  char* s = nullptr;
  if (plist_get_node_type(node) == PLIST_STRING) plist_get_string_val(node, &s);
  std::string text = s ? s : "";
  free(s);
  return text;
}

std::string item(plist_t dict, const char* key) { return stringOf(plist_dict_get_item(dict, key)); }

// A choice's value, an integer or a string, as text for comparing.
std::string valueText(plist_t node) {
  uint64_t n = 0;
  switch (plist_get_node_type(node)) {
    case PLIST_UINT: plist_get_uint_val(node, &n); return std::to_string(static_cast<long long>(n));
    case PLIST_STRING: return "\"" + stringOf(node) + "\"";
    default: return "?";
  }
}

// The name a list cell shows for its default value.
std::string titleOfDefault(plist_t row) {
  plist_t values = plist_dict_get_item(row, "validValues"), titles = plist_dict_get_item(row, "validTitles");
  std::string wanted = valueText(plist_dict_get_item(row, "default"));
  for (uint32_t i = 0; values && titles && i < plist_array_get_size(values); ++i)
    if (valueText(plist_array_get_item(values, i)) == wanted) return stringOf(plist_array_get_item(titles, i));
  return "";
}

// What the row's default says, in the table's terms.
std::string shownDefault(plist_t row, const qst::Setting& setting) {
  plist_t fallback = plist_dict_get_item(row, "default");
  if (!fallback) return "(none)";
  uint8_t on = 0;
  double real = 0;
  switch (setting.kind) {
    case qst::SettingKind::Boolean:
      if (plist_get_node_type(fallback) != PLIST_BOOLEAN) return "(not a switch's value)";
      plist_get_bool_val(fallback, &on);
      return on ? "true" : "false";
    case qst::SettingKind::Number:
      // A slider's default is a real, a number field's its text.
      if (plist_get_node_type(fallback) == PLIST_REAL) {
        plist_get_real_val(fallback, &real);
        return std::to_string(static_cast<long long>(real));
      }
      return stringOf(fallback);
    case qst::SettingKind::Choice: return valueText(fallback);
    case qst::SettingKind::Color: {
      // "White" stands for whiteColor: the name shown, as the user reads it.
      std::string title = titleOfDefault(row);
      for (char& c : title) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      return title + "Color";
    }
    case qst::SettingKind::Text: return stringOf(fallback);
  }
  return "";
}

std::string tableDefault(const qst::Setting& setting) {
  switch (setting.kind) {
    case qst::SettingKind::Boolean: return setting.on ? "true" : "false";
    case qst::SettingKind::Number:
    case qst::SettingKind::Choice: return std::to_string(setting.number);
    case qst::SettingKind::Color:
    case qst::SettingKind::Text: return setting.text;
  }
  return "";
}

TEST(Specifiers, EachSettingHasOneRowShowingTheTablesDefaultAndChoices) {
  plist_t root = readPlistFile(std::string(QST_PANE_RESOURCES) + "/QuillstoneBriarwhistlePrefs.plist");
  ASSERT_TRUE(root && plist_get_node_type(root) == PLIST_DICT);
  plist_t items = plist_dict_get_item(root, "items");
  ASSERT_TRUE(items && plist_get_node_type(items) == PLIST_ARRAY);

  std::map<std::string, int> rowsPerKey;
  for (uint32_t i = 0; i < plist_array_get_size(items); ++i) {
    plist_t row = plist_array_get_item(items, i);
    std::string key = item(row, "key");
    if (key.empty()) continue;  // a group, a link, or a field that stores through another row
    ++rowsPerKey[key];
    const qst::Setting* setting = qst::findSetting(key.c_str());
    if (!setting) {
      ADD_FAILURE() << "\"" << key << "\" is not a setting";
      continue;
    }
    EXPECT_EQ(shownDefault(row, *setting), tableDefault(*setting)) << key;
    if (setting->kind == qst::SettingKind::Choice) {
      std::string offered, choices;
      plist_t values = plist_dict_get_item(row, "validValues");
      for (uint32_t v = 0; values && v < plist_array_get_size(values); ++v)
        offered += valueText(plist_array_get_item(values, v)) + " ";
      for (long long c : setting->choices) choices += std::to_string(c) + " ";
      EXPECT_EQ(offered, choices) << key;
    }
  }
  plist_free(root);
  for (const qst::Setting& setting : qst::kSettings) EXPECT_EQ(rowsPerKey[setting.key], 1) << setting.key;
}

}  // namespace
}  // namespace qst_test
