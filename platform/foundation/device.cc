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

struct FolderView {
  std::string deviceFolder, hostFolder;
};
FolderView& folderView() {
  static auto* v = new FolderView;
  return *v;
}

std::string under(const std::string& folder, std::string_view devicePath) {
  std::string base = folder.back() == '/' ? folder.substr(0, folder.size() - 1) : folder;
  return base + std::string(devicePath);
}
}  // namespace

void standin::setDeviceOverlay(const std::string& folder) { overlay() = folder; }

void standin::setDeviceFolderView(const std::string& deviceFolder, const std::string& hostFolder) {
  folderView() = hostFolder.empty() ? FolderView{} : FolderView{deviceFolder, hostFolder};
}

namespace {
// The view's file for `devicePath`, or "" when the path is not below the
// view's folder, climbs out of it, or names no regular file there.
std::string inFolderView(std::string_view devicePath) {
  const FolderView& v = folderView();
  if (v.hostFolder.empty() || devicePath.size() <= v.deviceFolder.size() + 1 ||
      devicePath.compare(0, v.deviceFolder.size(), v.deviceFolder) != 0 || devicePath[v.deviceFolder.size()] != '/')
    return "";
  const std::string_view rest = devicePath.substr(v.deviceFolder.size());
  for (const auto& part : std::filesystem::path(rest))
    if (part == "..") return "";
  std::string path = under(v.hostFolder, rest);
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec) ? path : "";
}
}  // namespace

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
  std::string inRoot = r == "/" ? std::string(devicePath) : under(r, devicePath);
  if (!folderView().hostFolder.empty()) {
    std::error_code ec;
    if (!std::filesystem::exists(inRoot, ec))
      if (std::string viewed = inFolderView(devicePath); !viewed.empty()) return viewed;
  }
  return inRoot;
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

namespace {

struct SystemRelease {
  const char* version;
  double foundation, coreFoundation;
};

// Each simulated iOS release's published framework versions: Foundation's
// NSFoundationVersionNumber_iOS_* (NSObjCRuntime.h) and CoreFoundation's
// kCFCoreFoundationVersionNumber_iOS_* (CFBase.h). CFBase.h gives 9.3 the
// value of 9.2 (1242.13); an iOS 9.3 device reports 1280.30, and that is the
// value here, as Substrate's and PreferenceLoader's filters read the
// device's number, not the header's.
constexpr SystemRelease kReleases[] = {
    {"7.0", 1047.20, 847.20},  {"7.1", 1047.25, 847.24},  {"8.0", 1140.11, 1140.10}, {"8.1", 1141.1, 1141.14},
    {"8.2", 1142.14, 1142.16}, {"8.3", 1144.17, 1144.17}, {"8.4", 1144.17, 1145.15}, {"9.0", 1240.1, 1240.10},
    {"9.1", 1241.14, 1241.11}, {"9.2", 1242.12, 1242.13}, {"9.3", 1242.12, 1280.30},
};

const SystemRelease* releaseNamed(const std::string& version) {
  for (const SystemRelease& release : kReleases)
    if (version == release.version) return &release;
  return nullptr;
}

}  // namespace

// iOS 7.1 until the host says otherwise.
double kCFCoreFoundationVersionNumber = 847.24;

bool standin::foundationVersionForSystemVersion(const std::string& version, double* result) {
  const SystemRelease* release = releaseNamed(version);
  if (release) *result = release->foundation;
  return release != nullptr;
}

bool standin::coreFoundationVersionForSystemVersion(const std::string& version, double* result) {
  const SystemRelease* release = releaseNamed(version);
  if (release) *result = release->coreFoundation;
  return release != nullptr;
}

const std::vector<std::string>& standin::knownSystemVersions() {
  static const auto* versions = [] {
    auto* all = new std::vector<std::string>;
    for (const SystemRelease& release : kReleases) all->push_back(release.version);
    return all;
  }();
  return *versions;
}

// Each major release's minor versions as a run when there are more than two.
std::string standin::knownSystemVersionsText() {
  const std::vector<std::string>& all = knownSystemVersions();
  std::string text;
  for (std::size_t first = 0; first < all.size();) {
    std::size_t last = first;
    const std::string major = all[first].substr(0, all[first].find('.'));
    while (last + 1 < all.size() && all[last + 1].substr(0, all[last + 1].find('.')) == major) ++last;
    const std::string run = last - first >= 2 ? all[first] + " ... " + all[last]
                            : last > first    ? all[first] + ", " + all[last]
                                              : all[first];
    text += (text.empty() ? "" : ", ") + run;
    first = last + 1;
  }
  return text;
}
