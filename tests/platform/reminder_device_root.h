// Builds a throw-away device root holding reminder lists in the layout the
// reminder store reads, so a test states only the lists and reminders it is
// about. The root is a temporary folder (tests/support), removed when the
// helper goes out of scope.
#pragma once

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "foundation/device.h"
#include "temp_folder.h"

// A VCALENDAR with one VTODO made of the given property lines ("\n"
// separated; written with CRLF as calendar servers do).
inline std::string reminderICS(std::string_view todoLines) {
  std::string body = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//EN\r\nBEGIN:VTODO\r\n";
  std::size_t pos = 0;
  while (pos < todoLines.size()) {
    std::size_t end = todoLines.find('\n', pos);
    if (end == std::string_view::npos) end = todoLines.size();
    if (end > pos) body.append(todoLines.substr(pos, end - pos)).append("\r\n");
    pos = end + 1;
  }
  return body + "END:VTODO\r\nEND:VCALENDAR\r\n";
}

class ReminderDeviceRoot {
 public:
  static constexpr const char* kListsPath = "var/mobile/Library/Calendar/Lists";

  ReminderDeviceRoot() : folder_("reminder-root"), root_(folder_.path()) {
    std::filesystem::create_directories(root_ / kListsPath);
    standin::setDeviceRoot(root_.string());
  }

  // A list folder; an empty colour writes no color file.
  void addList(const std::string& identifier, const std::string& displayName, const std::string& color = "") {
    const auto folder = listFolder(identifier);
    std::filesystem::create_directories(folder);
    write(folder / "displayname", displayName + "\n");
    if (!color.empty()) write(folder / "color", color + "\n");
  }
  // A reminder file; or, in a list folder without a displayname, the one
  // exported calendar file that names and colours the list itself.
  void addReminder(const std::string& list, const std::string& fileName, std::string_view contents) {
    std::filesystem::create_directories(listFolder(list));
    write(listFolder(list) / fileName, contents);
  }
  // Dates every file of the root an hour back, so the store may trust that
  // it will see any later change by its modification time.
  void settle() {
    const auto past = std::filesystem::file_time_type::clock::now() - std::chrono::hours(1);
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root_))
      std::filesystem::last_write_time(entry.path(), past);
  }
  // The path the device itself knows a reminder file by.
  static std::string reminderDevicePath(const std::string& list, const std::string& fileName) {
    return "/" + std::string(kListsPath) + "/" + list + "/" + fileName;
  }
  // Makes this root the device's again (the newest root made is current).
  void makeCurrent() const { standin::setDeviceRoot(root_.string()); }
  void denyAccess() { write(root_ / "var/mobile/Library/Calendar/access-denied", ""); }

  std::filesystem::path listFolder(const std::string& identifier) const { return root_ / kListsPath / identifier; }
  std::string listsFolder() const { return (root_ / kListsPath).string(); }

 private:
  static void write(const std::filesystem::path& path, std::string_view contents) {
    std::ofstream(path, std::ios::binary) << contents;
  }
  qst_test::TempFolder folder_;
  std::filesystem::path root_;
};
