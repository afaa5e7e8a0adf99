// A folder of one test's own under the system's temporary folder, removed with everything in it when the test ends.
#pragma once

#include <filesystem>
#include <string>

namespace qst_test {

class TempFolder {
 public:
  // `prefix` names the folder ("qst-root-1a2b3c"), so a leftover says which test left it.
  explicit TempFolder(const std::string& prefix = "qst-test");
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& path() const { return path_; }
  // `name` inside the folder.
  std::filesystem::path operator/(const std::string& name) const { return std::filesystem::path(path_) / name; }

 private:
  std::string path_;
};

}  // namespace qst_test
