// The scene of the pane's tests: the library's scene and the Settings app with the real pane loaded.
#pragma once

#include <plist/plist.h>

#include <optional>

#include "foundation/PropertyListLimits.h"
#include "foundation/device.h"
#include "base/regular_file.h"
#include "lock_screen.h"

namespace qst_test {

class PaneTest : public LockScreenTest {
 protected:
  sb::SettingsApp& app() { return device->settingsApp(); }

  // A process-wide value of the loaded Linux module, read by its symbol name.
  template <class T>
  T& library(const char* symbol) {
    return *static_cast<T*>(moduleSymbol(symbol));
  }

  std::vector<sb::PaneRow> controls() {
    std::vector<sb::PaneRow> rows;
    for (auto& row : app().mainPage().rows)
      if (!row.key.empty()) rows.push_back(row);
    return rows;
  }

  // A file as the library now reads it (the pane's private folder before the root), parsed; null when there is none.
  static plist_t readDeviceFile(const char* devicePath) {
    std::string bytes;
    standin::readRegularFile(standin::resolveDevicePath(devicePath), kMaxPropertyListFileBytes, &bytes);
    plist_t root = nullptr;
    if (!bytes.empty()) plist_from_memory(bytes.data(), static_cast<uint32_t>(bytes.size()), &root);
    return root;
  }

  // The stored type of a setting: "boolean", "integer", "string", "real", or nothing when the file has no such key.
  static std::optional<std::string> storedType(const std::string& key) {
    plist_t root = readDeviceFile(kSettingsPath);
    plist_t node = root ? plist_dict_get_item(root, key.c_str()) : nullptr;
    std::optional<std::string> type;
    if (node) {
      switch (plist_get_node_type(node)) {
        case PLIST_BOOLEAN: type = "boolean"; break;
        case PLIST_UINT: type = "integer"; break;
        case PLIST_STRING: type = "string"; break;
        case PLIST_REAL: type = "real"; break;
        default: type = "other";
      }
    }
    if (root) plist_free(root);
    return type;
  }

  static std::vector<std::string> selectedLists() {
    plist_t root = readDeviceFile(kCalendarsPath);
    std::vector<std::string> ids;
    for (uint32_t i = 0; root && plist_get_node_type(root) == PLIST_ARRAY && i < plist_array_get_size(root); ++i) {
      char* text = nullptr;
      plist_get_string_val(plist_array_get_item(root, i), &text);
      ids.push_back(text ? text : "<not a string>");
      free(text);
    }
    if (root) plist_free(root);
    return ids;
  }
};

}  // namespace qst_test
