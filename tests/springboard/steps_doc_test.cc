// The steps docs/simulator.md lists, in its tables of steps, against the
// simulator's own table: a step added, renamed or given other arguments in
// one must be so in the other.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "scenario_steps.h"

namespace {

// The first cell of every row of each "| step | what it does |" table.
std::vector<std::string> documentedUsages(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::string> usages;
  bool inTable = false;
  for (std::string line; std::getline(in, line);) {
    if (line == "| step | what it does |") {
      inTable = true;
      std::getline(in, line);  // the |---| line
      continue;
    }
    if (!inTable) continue;
    if (line.rfind("| `", 0) != 0) {
      inTable = false;
      continue;
    }
    const size_t end = line.find("` |");
    usages.push_back(end == std::string::npos ? line : line.substr(3, end - 3));
  }
  return usages;
}

TEST(StepsDoc, TheDocsListEveryStepWithItsArgumentsInTheSimulatorsOrder) {
  std::vector<std::string> fromTable;
  for (const sb::StepForm& form : sb::kStepForms) fromTable.emplace_back(form.usage);
  const std::vector<std::string> documented = documentedUsages(QST_SIMULATOR_DOC);
  ASSERT_FALSE(documented.empty()) << QST_SIMULATOR_DOC << " has no table of steps";
  EXPECT_EQ(documented, fromTable);
}

}  // namespace
