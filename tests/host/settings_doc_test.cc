// The settings table of docs/settings.md, read as a reader reads it, against
// the table the library, the pane and the simulator take their keys from.
#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "qst/settings_table.h"

namespace {

constexpr const char* kHeader = "| key | kind | values | default | what it does |";

struct DocRow {
  int line = 0;
  std::string key, kind, values, fallback;
};

std::string trimmed(const std::string& s) {
  size_t begin = s.find_first_not_of(" \t");
  if (begin == std::string::npos) return "";
  return s.substr(begin, s.find_last_not_of(" \t\r") - begin + 1);
}

// The cells of a table row; "\|" is a bar inside a cell.
std::vector<std::string> cells(const std::string& line) {
  std::vector<std::string> out;
  std::string cell;
  for (size_t i = line.find('|') + 1; i < line.size(); ++i) {
    if (line[i] == '\\' && i + 1 < line.size() && line[i + 1] == '|') {
      cell += '|';
      ++i;
    } else if (line[i] == '|') {
      out.push_back(trimmed(cell));
      cell.clear();
    } else {
      cell += line[i];
    }
  }
  return out;
}

// "`text`" gives text, and "`\"\"`" the empty text; anything else nothing.
std::optional<std::string> inBackticks(const std::string& cell) {
  if (cell.size() < 2 || cell.front() != '`' || cell.back() != '`' || cell.find('`', 1) != cell.size() - 1)
    return std::nullopt;
  std::string text = cell.substr(1, cell.size() - 2);
  return text == "\"\"" ? "" : text;
}

std::optional<long long> integer(const std::string& text) {
  if (text.empty()) return std::nullopt;
  size_t used = 0;
  try {
    long long n = std::stoll(text, &used);
    if (used == text.size()) return n;
  } catch (const std::exception&) {}
  return std::nullopt;
}

const char* kindName(qst::SettingKind kind) {
  switch (kind) {
    case qst::SettingKind::Boolean: return "Boolean";
    case qst::SettingKind::Choice: return "Choice";
    case qst::SettingKind::Number: return "Number";
    case qst::SettingKind::Color: return "Color";
    case qst::SettingKind::Text: return "Text";
  }
  return "?";
}

// The rows of the one table under kHeader; a second such table is a fault.
std::vector<DocRow> documentedSettings() {
  std::ifstream in(QST_SETTINGS_DOC);
  EXPECT_TRUE(in) << "cannot read " << QST_SETTINGS_DOC;
  std::vector<DocRow> rows;
  int headers = 0, number = 0;
  bool inTable = false;
  for (std::string line; std::getline(in, line);) {
    ++number;
    line = trimmed(line);
    if (line == kHeader) {
      ++headers;
      inTable = true;
      std::getline(in, line);  // the alignment row
      ++number;
      continue;
    }
    if (!inTable) continue;
    if (line.empty() || line.front() != '|') {
      inTable = false;
      continue;
    }
    std::vector<std::string> c = cells(line);
    EXPECT_EQ(c.size(), 5u) << "line " << number << ": " << line;
    if (c.size() < 4) continue;
    std::optional<std::string> key = inBackticks(c[0]);
    EXPECT_TRUE(key) << "line " << number << ": the key is not in backticks: " << c[0];
    rows.push_back({number, key.value_or(c[0]), c[1], c[2], c[3]});
  }
  EXPECT_EQ(headers, 1) << "the settings table's header \"" << kHeader << "\" must appear once";
  return rows;
}

TEST(SettingsDoc, ListsEveryKeyTheLibraryReadsInItsOrderWithItsKind) {
  std::vector<DocRow> rows = documentedSettings();
  std::vector<std::string> documented, read;
  for (const DocRow& row : rows) documented.push_back(row.key);
  for (const qst::Setting& setting : qst::kSettings) read.push_back(setting.key);
  ASSERT_EQ(documented, read);
  for (size_t i = 0; i < rows.size(); ++i)
    EXPECT_EQ(rows[i].kind, kindName(qst::kSettings[i].kind)) << "line " << rows[i].line << ": " << rows[i].key;
}

TEST(SettingsDoc, StatesEachDefaultAndEachChoiceAsTheLibraryTakesThem) {
  std::vector<DocRow> rows = documentedSettings();
  ASSERT_EQ(rows.size(), static_cast<size_t>(qst::kSettingCount));
  for (size_t i = 0; i < rows.size(); ++i) {
    const DocRow& row = rows[i];
    const qst::Setting& setting = qst::kSettings[i];
    const std::string where = "line " + std::to_string(row.line) + ": " + row.key;
    switch (setting.kind) {
      case qst::SettingKind::Boolean: EXPECT_EQ(row.fallback, setting.on ? "true" : "false") << where; break;
      case qst::SettingKind::Choice: {
        EXPECT_EQ(integer(row.fallback), setting.number) << where << ": default " << row.fallback;
        std::vector<std::optional<long long>> listed;
        std::string values = row.values + ",";
        for (size_t at = 0, comma; (comma = values.find(',', at)) != std::string::npos; at = comma + 1)
          listed.push_back(integer(trimmed(values.substr(at, comma - at))));
        std::vector<std::optional<long long>> choices(std::begin(setting.choices), std::end(setting.choices));
        EXPECT_EQ(listed, choices) << where << ": values " << row.values;
        break;
      }
      case qst::SettingKind::Number:
        EXPECT_EQ(integer(row.fallback), setting.number) << where << ": default " << row.fallback;
        break;
      case qst::SettingKind::Color:
      case qst::SettingKind::Text:
        EXPECT_EQ(inBackticks(row.fallback), std::optional<std::string>(setting.text))
            << where << ": default " << row.fallback;
        break;
    }
  }
}

}  // namespace
