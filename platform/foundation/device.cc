#include "foundation/device.h"

#include <filesystem>
#include <map>

// iOS 7.1 until the host says otherwise.
double NSFoundationVersionNumber = 1047.25;

namespace {
std::string& root() {
  static auto* r = new std::string("/");
  return *r;
}
std::string& overlay() {
  static auto* o = new std::string;
  return *o;
}

std::string under(const std::string& folder, std::string_view devicePath) {
  std::string base = folder.back() == '/' ? folder.substr(0, folder.size() - 1) : folder;
  return base + std::string(devicePath);
}
}  // namespace

void standin::setDeviceOverlay(const std::string& folder) { overlay() = folder; }

void standin::setDeviceRoot(const std::string& r) { root() = r.empty() ? "/" : r; }
const std::string& standin::deviceRoot() { return root(); }

std::string standin::resolveDevicePath(std::string_view devicePath) {
  if (devicePath.empty() || devicePath.front() != '/') return std::string(devicePath);
  if (const std::string& o = overlay(); !o.empty()) {
    std::string layered = under(o, devicePath);
    std::error_code ec;
    if (std::filesystem::is_regular_file(layered, ec)) return layered;
  }
  const std::string& r = root();
  if (r == "/") return std::string(devicePath);
  return under(r, devicePath);
}

std::string standin::deviceWritablePath(std::string_view devicePath) {
  const std::string& o = overlay();
  if (o.empty() || devicePath.empty() || devicePath.front() != '/') return "";
  for (const auto& part : std::filesystem::path(devicePath))
    if (part == "..") return "";
  std::string path = under(o, devicePath);
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
  return ec ? "" : path;
}

// Published NSFoundationVersionNumber values of the iOS releases simulated.
bool standin::foundationVersionForSystemVersion(const std::string& version, double* result) {
  static const std::map<std::string, double> versions = {
      {"7.0", 1047.20}, {"7.1", 1047.25}, {"8.0", 1140.11}, {"8.1", 1141.1}, {"8.2", 1142.14},
      {"8.3", 1144.17}, {"8.4", 1144.17}, {"9.0", 1240.1},  {"9.1", 1241.14}, {"9.2", 1242.12},
      {"9.3", 1242.12},
  };
  auto it = versions.find(version);
  if (it == versions.end()) return false;
  *result = it->second;
  return true;
}
