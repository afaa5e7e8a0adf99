// The run's private folder: where the simulator writes device files (the
// settings a step sets, the files the settings pane saves, an installed
// package), so that the user's device root is never written. Once made, it
// is the platform's overlay: a device path that names a file in it is read
// from there, every other path from the root. It goes when this object
// does, and on SIGINT, SIGTERM and SIGHUP.
#pragma once

#include <stdexcept>
#include <string>

namespace sb {

class PrivateFolderError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class PrivateFolder {
 public:
  PrivateFolder() = default;
  ~PrivateFolder();  // the folder goes, and reads go to the root alone again
  PrivateFolder(const PrivateFolder&) = delete;
  PrivateFolder& operator=(const PrivateFolder&) = delete;

  // Makes the folder (in $TMPDIR) unless it is made. Raises
  // PrivateFolderError when it cannot be made, or when $TMPDIR lies inside
  // the device root.
  void ensure();
  // The folder's host path; empty until ensure() has made it.
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace sb
