// springboard-sim's pane steps, run as a user runs the simulator: the pane
// shown with its values, changed through its controls, refused before
// anything runs when a control cannot produce a value, and the device root
// left as it was.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "sim_run.h"
#include "device_root.h"
#include "foundation/regular_file.h"

namespace qst_test {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kMaxReadBytes = 64u << 20;  // beyond any file these tests read

using simrun::SimRun;

std::string contentsOf(const fs::path& folder) {
  std::string all;
  for (auto& entry : fs::recursive_directory_iterator(folder)) {
    all += entry.path().string() + "\n";
    std::string bytes;
    if (standin::readRegularFile(entry.path().string(), kMaxReadBytes, &bytes) == standin::FileReadStatus::Read) all += bytes;
  }
  return all;
}

class PaneSim : public ::testing::Test {
 protected:
  void SetUp() override {
    root.list(kHome, "Home");
    root.list(kWork, "Work");
    root.reminder(kHome, {"SUMMARY:Water the plants"});
    root.reminder(kWork, {"SUMMARY:Send the report"});
    root.selectCalendars({kHome});
  }

  fs::path tmp() const { return sim.tmp(); }

  SimRun run(std::vector<std::string> args, bool withStderr = true) {
    args.insert(args.begin(), {"--root", root.path()});
    return sim.run(args, withStderr);
  }

  DeviceRoot root;
  simrun::SimWorkspace sim{"pane-sim"};
};

TEST_F(PaneSim, TheJSONStepCarriesThePaneAndChangesShowAtTheNextRelock) {
  std::string before = contentsOf(root.path());
  SimRun r = run({"--json", "--events", "pane; pane textColor Red; pane-list Work; relock; pane"}, false);
  ASSERT_EQ(r.status, 0) << r.out;
  auto doc = nlohmann::json::parse(r.out);
  auto steps = doc["steps"];
  ASSERT_EQ(steps.size(), 5u);
  auto titleColour = [](const nlohmann::json& pane) {
    for (auto& row : pane)
      if (row["key"] == "textColor") return row;
    return nlohmann::json();
  };
  EXPECT_EQ(titleColour(steps[0]["pane"]),
            (nlohmann::json{{"group", "Text"}, {"label", "Title colour"}, {"key", "textColor"}, {"value", "White"}}));
  EXPECT_EQ(titleColour(steps[4]["pane"])["value"], "Red");
  EXPECT_FALSE(steps[1].contains("pane")) << "a change shows nothing of the pane";
  std::vector<std::string> titles;
  for (auto& row : steps[3]["rows"]) titles.push_back(row["title"]);
  EXPECT_NE(std::find(titles.begin(), titles.end(), "Send the report"), titles.end());
  EXPECT_EQ(contentsOf(root.path()), before) << "the device root is only read";
  EXPECT_TRUE(fs::is_empty(tmp())) << "the private folder is removed";
}

TEST_F(PaneSim, AValueTheControlCannotProduceIsRefusedBeforeAnythingRuns) {
  for (const char* step : {"pane swipeAction Sideways", "pane enabled yes", "pane textSize 400",
                           "pane daysToDisplay soon", "pane-list Garden", "pane noSuchKey 1", "pane textColor"}) {
    SimRun r = run({"--events", std::string("relock; ") + step});
    EXPECT_EQ(r.status, 2) << step;
    EXPECT_EQ(r.out.find("== lock"), std::string::npos) << step << ": nothing ran\n" << r.out;
    EXPECT_NE(r.out.find("bad step"), std::string::npos) << r.out;
  }
}

TEST_F(PaneSim, PictureStepsDrawThePaneAsTheSettingsAppShowsIt) {
  fs::path pictures = tmp().parent_path() / (tmp().filename().string() + "-png");
  SimRun r = run({"--events", "pane; pane-list Work", "--png-steps", pictures.string()});
  ASSERT_EQ(r.status, 0) << r.out;
  for (const char* name : {"01-pane.png", "02-pane-list.png"}) {
    std::string head;
    standin::readRegularFileHead((pictures / name).string(), 24, &head);
    head.resize(24);
    const auto* header = reinterpret_cast<const unsigned char*>(head.data());
    unsigned width = header[16] << 24 | header[17] << 16 | header[18] << 8 | header[19];
    unsigned height = header[20] << 24 | header[21] << 16 | header[22] << 8 | header[23];
    EXPECT_EQ(width, 640u) << name;
    EXPECT_GT(height, 300u) << name;
  }
  EXPECT_GT(fs::file_size(pictures / "01-pane.png"), fs::file_size(pictures / "02-pane-list.png"));
  fs::remove_all(pictures);
}

}  // namespace
}  // namespace qst_test
