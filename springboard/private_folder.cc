#include "private_folder.h"

#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

#include "foundation/device.h"
#include "base/host_path.h"
#include "qst/settings_table.h"

namespace sb {
namespace {

namespace fs = std::filesystem;

// What an interrupted run leaves: the settings and list selection files
// (and the files being saved) and their folders up to the private folder,
// deepest first, fixed when the folder is made so that a signal handler only
// unlinks.
constexpr int kMaxCleanupPaths = 14;
char gCleanupPaths[kMaxCleanupPaths][1024];
bool gCleanupIsFolder[kMaxCleanupPaths];
volatile sig_atomic_t gCleanupCount = 0;

void removeOnSignal(int signal) {
  for (int i = 0; i < gCleanupCount; ++i) {
    if (gCleanupIsFolder[i])
      rmdir(gCleanupPaths[i]);
    else
      unlink(gCleanupPaths[i]);
  }
  ::signal(signal, SIG_DFL);
  raise(signal);
}

void removeFolderOnSignals(const std::string& folder) {
  fs::path file = folder + qst::kSettingsFilePath;
  std::string selection = folder + qst::kCalendarSelectionFilePath;
  std::vector<std::pair<std::string, bool>> paths = {
      {file.string() + ".new", false}, {file.string(), false}, {selection + ".new", false}, {selection, false}};
  for (fs::path dir = file.parent_path(); dir.string().size() >= folder.size(); dir = dir.parent_path()) {
    paths.emplace_back(dir.string(), true);
    if (dir.string().size() == folder.size()) break;
  }
  int count = 0;
  for (const auto& [path, isFolder] : paths) {
    if (count == kMaxCleanupPaths || path.size() >= sizeof gCleanupPaths[0]) return;  // leave the handlers unset
    std::memcpy(gCleanupPaths[count], path.c_str(), path.size() + 1);
    gCleanupIsFolder[count++] = isFolder;
  }
  gCleanupCount = count;
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction current{};
    // A handler the program set for itself stays.
    if (sigaction(sig, nullptr, &current) == 0 && current.sa_handler == SIG_DFL) ::signal(sig, removeOnSignal);
  }
}

void stopRemovingOnSignals() {
  gCleanupCount = 0;
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction current{};
    if (sigaction(sig, nullptr, &current) == 0 && current.sa_handler == removeOnSignal) ::signal(sig, SIG_DFL);
  }
}

}  // namespace

PrivateFolder::~PrivateFolder() {
  if (path_.empty()) return;
  stopRemovingOnSignals();
  standin::setDeviceOverlay("");
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

void PrivateFolder::ensure() {
  if (!path_.empty()) return;
  std::error_code ec;
  fs::path base = fs::temp_directory_path(ec);
  if (ec) base = "/tmp";
  if (hostPathLiesIn(base.string(), standin::deviceRoot()))
    throw PrivateFolderError("the temporary folder " + base.string() + " lies in the device root " +
                             standin::deviceRoot() + "; settings changes are never written there");
  std::string pattern = (base / "springboard-settings-XXXXXX").string();
  if (!mkdtemp(pattern.data()))
    throw PrivateFolderError("cannot make a private folder for the settings: " + std::string(std::strerror(errno)));
  path_ = pattern;
  removeFolderOnSignals(path_);
  standin::setDeviceOverlay(path_);
}

}  // namespace sb
