// A throw-away device root (tests/support) holding reminder lists in the layout the reminder store reads.
#pragma once

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>

#include "device_root.h"
#include "foundation/device.h"

// A VCALENDAR with one VTODO made of the given property lines, written with CRLF.
inline std::string reminderICS(std::string_view todoLines) {
  std::string body = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//EN\r\nBEGIN:VTODO\r\n";
  for (std::size_t pos = 0, end; pos < todoLines.size(); pos = end + 1) {
    end = std::min(todoLines.find('\n', pos), todoLines.size());
    if (end > pos) body.append(todoLines.substr(pos, end - pos)).append("\r\n");
  }
  return body + "END:VTODO\r\nEND:VCALENDAR\r\n";
}

class ReminderDeviceRoot : public qst_test::DeviceRoot {
 public:
  static constexpr const char* kListsPath = "/var/mobile/Library/Calendar/Lists";

  ReminderDeviceRoot() { makeCurrent(); }

  // A list folder; an empty colour writes no color file.
  void addList(const std::string& identifier, const std::string& displayName, const std::string& color = "") {
    file(reminderDevicePath(identifier, "displayname"), displayName + "\n");
    if (!color.empty()) file(reminderDevicePath(identifier, "color"), color + "\n");
  }
  // A reminder file; or, in a list folder without a displayname.
  void addReminder(const std::string& list, const std::string& fileName, std::string_view contents) {
    file(reminderDevicePath(list, fileName), contents);
  }
  // Dates every file of the root an hour back.
  void settle() {
    const auto past = std::filesystem::file_time_type::clock::now() - std::chrono::hours(1);
    for (const auto& entry : std::filesystem::recursive_directory_iterator(path()))
      std::filesystem::last_write_time(entry.path(), past);
  }
  // The path the device itself knows a reminder file by.
  static std::string reminderDevicePath(const std::string& list, const std::string& fileName) {
    return std::string(kListsPath) + "/" + list + "/" + fileName;
  }
  // Makes this root the device's again (the newest root made is current).
  void makeCurrent() const { standin::setDeviceRoot(path()); }
  void denyAccess() { file("/var/mobile/Library/Calendar/access-denied", ""); }

  std::filesystem::path listFolder(const std::string& identifier) const {
    return hostPath(std::string(kListsPath) + "/" + identifier);
  }
  std::string listsFolder() const { return hostPath(kListsPath); }
};
