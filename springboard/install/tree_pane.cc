#include "install/tree_pane.h"

#include <filesystem>

#include "foundation/device.h"
#include "install/device_boot.h"

namespace sb {

void showTreePaneBundle(const std::string& bundleFolder) {
  if (bundleFolder.empty()) return;
  const std::string name = std::filesystem::path(bundleFolder).lexically_normal().filename().string();
  if (name.empty()) return;
  standin::setDeviceFolderView(std::string(kPreferenceBundlesFolder) + "/" + name, bundleFolder);
}

void hideTreePaneBundle() { standin::setDeviceFolderView("", ""); }

}  // namespace sb
