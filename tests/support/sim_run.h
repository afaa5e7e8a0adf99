// springboard-sim run as a user runs it: its exit status and what it printed.
#pragma once

#include <sys/stat.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "base/regular_file.h"
#include "temp_folder.h"

namespace simrun {

struct SimRun {
  int status = -1;
  std::string out;  // stdout and stderr
};

inline std::string shellQuoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

// `tmpdir`, when given, is the TMPDIR of the run: where its private folder goes.
inline SimRun runSim(const std::vector<std::string>& args, bool withStderr = true, const std::string& tmpdir = "") {
  std::string command = (tmpdir.empty() ? "" : "TMPDIR=" + shellQuoted(tmpdir) + " ") + shellQuoted(SPRINGBOARD_SIM);
  for (const auto& a : args) command += " " + shellQuoted(a);
  command += withStderr ? " 2>&1" : " 2>/dev/null";
  SimRun result;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return result;
  std::array<char, 65536> buffer;
  for (size_t n; (n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0;) result.out.append(buffer.data(), n);
  int status = pclose(pipe);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

// A run's JSON document, the run's exit status checked to be 0; a document that is not an object fails the test too.
inline nlohmann::json jsonOf(const SimRun& r) {
  EXPECT_EQ(r.status, 0) << r.out.substr(0, 2000);
  nlohmann::json document = nlohmann::json::parse(r.out, nullptr, false);
  EXPECT_TRUE(document.is_object()) << r.out.substr(0, 2000);
  return document;
}

// Every file's and folder's contents and modification time (ns) under `root`.
inline std::map<std::string, std::pair<std::string, long long>> stateOf(const std::filesystem::path& root) {
  std::map<std::string, std::pair<std::string, long long>> state;
  auto record = [&](const std::filesystem::path& p) {
    struct stat st{};
    lstat(p.c_str(), &st);
    std::string contents;
    standin::readRegularFile(p.string(), 64u << 20, &contents);
    state[p.string()] = {contents, st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec};
  };
  record(root);
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) record(entry.path());
  return state;
}

// A folder for one test's runs: the runs' TMPDIR ("tmp") and whatever the test puts beside it.
class SimWorkspace {
 public:
  explicit SimWorkspace(const std::string& prefix = "sim-test") : folder_(prefix) {
    std::filesystem::create_directories(tmp());
  }
  std::filesystem::path operator/(const std::string& name) const { return folder_ / name; }
  std::filesystem::path tmp() const { return folder_ / "tmp"; }
  SimRun run(const std::vector<std::string>& args, bool withStderr = true) const {
    return runSim(args, withStderr, tmp().string());
  }

 private:
  qst_test::TempFolder folder_;
};

}  // namespace simrun
