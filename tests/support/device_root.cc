#include "device_root.h"

#include <plist/plist.h>
#include <stdlib.h>

#include <cstdio>
#include <fstream>

namespace qst_test {
namespace {

plist_t toPlist(const PlistValue& value) {
  struct Visitor {
    plist_t operator()(bool b) const { return plist_new_bool(b); }
    plist_t operator()(long long i) const { return plist_new_uint(static_cast<uint64_t>(i)); }
    plist_t operator()(double d) const { return plist_new_real(d); }
    plist_t operator()(const std::string& s) const { return plist_new_string(s.c_str()); }
    plist_t operator()(const std::vector<std::string>& items) const {
      plist_t array = plist_new_array();
      for (const auto& s : items) plist_array_append_item(array, plist_new_string(s.c_str()));
      return array;
    }
  };
  return std::visit(Visitor{}, value);
}

std::string serialise(plist_t node, PlistFormat format) {
  char* bytes = nullptr;
  uint32_t length = 0;
  if (format == PlistFormat::XML)
    plist_to_xml(node, &bytes, &length);
  else
    plist_to_bin(node, &bytes, &length);
  std::string out(bytes, length);
  free(bytes);
  plist_free(node);
  return out;
}

}  // namespace

DeviceRoot::DeviceRoot(Start start) {
  if (start == Start::WithListsFolder)
    std::filesystem::create_directories(hostPath("/var/mobile/Library/Calendar/Lists"));
}

std::string DeviceRoot::hostPath(const std::string& devicePath) const { return root_.path() + devicePath; }

void DeviceRoot::file(const std::string& devicePath, std::string_view contents) {
  std::filesystem::path path = hostPath(devicePath);
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << contents;
}

void DeviceRoot::settings(const PlistDict& values, PlistFormat format) {
  plist_t dict = plist_new_dict();
  for (const auto& [key, value] : values) plist_dict_set_item(dict, key.c_str(), toPlist(value));
  file(kSettingsPath, serialise(dict, format));
}

void DeviceRoot::selectCalendars(const std::vector<std::string>& identifiers) {
  file(kCalendarsPath, serialise(toPlist(identifiers), PlistFormat::Binary));
}

void DeviceRoot::sorting(const std::vector<std::string>& sources) {
  file(kSortingPath, serialise(toPlist(sources), PlistFormat::Binary));
}

void DeviceRoot::list(const std::string& identifier, const std::string& name, const std::string& color) {
  std::string folder = "/var/mobile/Library/Calendar/Lists/" + identifier;
  file(folder + "/displayname", name);
  if (!color.empty()) file(folder + "/color", color);
}

void DeviceRoot::reminder(const std::string& list, const Todo& todo) {
  int n = ++remindersPerList_[list];
  std::string body = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//EN\r\nBEGIN:VTODO\r\n";
  body += "UID:" + list + "-" + std::to_string(n) + "\r\n";
  for (const auto& line : todo) body += line + "\r\n";
  body += "END:VTODO\r\nEND:VCALENDAR\r\n";
  char name[32];
  std::snprintf(name, sizeof name, "/%04d.ics", n);
  file("/var/mobile/Library/Calendar/Lists/" + list + name, body);
}

void DeviceRoot::notifications(std::string_view json) {
  file("/var/mobile/Library/SpringBoard/notifications.json", json);
}

}  // namespace qst_test
