#include "install/device_folders.h"

#include <filesystem>
#include <set>
#include <system_error>

namespace sb {
namespace {

namespace fs = std::filesystem;

// Far beyond any package's folders; a folder of millions is not walked whole.
constexpr std::size_t kMaxSubpaths = 10000;
constexpr int kMaxDepth = 16;

}  // namespace

std::vector<std::string> DeviceFolders::namesIn(const std::string& devicePath) const {
  std::set<std::string> names;
  for (const std::string& base : {root, overlay}) {
    if (base.empty()) continue;
    std::error_code ec;
    for (fs::directory_iterator it(base + devicePath, ec), end; !ec && it != end && names.size() < kMaxSubpaths;
         it.increment(ec))
      names.insert(it->path().filename().string());
  }
  return {names.begin(), names.end()};
}

std::vector<std::string> DeviceFolders::subpathsIn(const std::string& devicePath) const {
  std::set<std::string> paths;
  for (const std::string& base : {root, overlay}) {
    if (base.empty()) continue;
    const fs::path top(base + devicePath);
    std::error_code ec;
    fs::recursive_directory_iterator it(top, fs::directory_options::skip_permission_denied, ec), end;
    for (; !ec && it != end && paths.size() < kMaxSubpaths; it.increment(ec)) {
      if (it.depth() >= kMaxDepth) it.disable_recursion_pending();
      paths.insert(it->path().lexically_relative(top).string());
    }
  }
  return {paths.begin(), paths.end()};
}

std::string DeviceFolders::hostPathOf(const std::string& devicePath) const {
  std::error_code ec;
  if (!overlay.empty() && fs::exists(overlay + devicePath, ec)) return overlay + devicePath;
  return root + devicePath;
}

bool DeviceFolders::exists(const std::string& devicePath) const {
  if (devicePath.empty() || devicePath.front() != '/') return false;
  for (const auto& part : fs::path(devicePath))
    if (part == "..") return false;
  std::error_code ec;
  return fs::exists(hostPathOf(devicePath), ec);
}

}  // namespace sb
