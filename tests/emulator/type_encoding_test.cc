// The hook table shows each method's type encoding as the slice that runs
// wrote it: the Linux module and the arm64 slice see the 64-bit compiler's,
// the armv7 slice the 32-bit compiler's (CGFloat a float, NSInteger an int,
// BOOL a signed char), while the library's own literal stays as it gave it.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "sim_run.h"

namespace emutest {
namespace {

using simrun::runSim;
using simrun::SimRun;

nlohmann::json hooksOf(const std::string& module, const std::string& arch) {
  SimRun r = runSim({"--json", "--hooks", "--module", module, "--arch", arch}, false);
  EXPECT_EQ(r.status, 0) << r.out.substr(0, 2000);
  nlohmann::json doc = nlohmann::json::parse(r.out, nullptr, false);
  return doc.is_object() ? doc["hooks"] : nlohmann::json::array();
}

std::string typesOf(const nlohmann::json& hooks, const std::string& selector) {
  for (const auto& hook : hooks)
    if (hook["selector"] == selector) return hook["types"];
  return "(no hook of " + selector + ")";
}

TEST(HookEncodingTest, EachSlicePrintsItsOwnCompilersEncodings) {
  nlohmann::json linux = hooksOf(QST_LINUX_MODULE, "arm64");
  nlohmann::json arm64 = hooksOf(QST_DEVICE_DYLIB, "arm64");
  nlohmann::json armv7 = hooksOf(QST_DEVICE_DYLIB, "armv7");
  ASSERT_GT(linux.size(), 5u);
  EXPECT_EQ(arm64, linux);
  ASSERT_EQ(armv7.size(), linux.size());

  // A CGFloat result: a double on a 64-bit slice, a float on a 32-bit one.
  EXPECT_EQ(typesOf(linux, "tableView:heightForRowAtIndexPath:"), "d@:@@");
  EXPECT_EQ(typesOf(armv7, "tableView:heightForRowAtIndexPath:"), "f@:@@");
  // The method the library adds carries the library's literal on both.
  EXPECT_EQ(typesOf(armv7, "removeCustomBulletins_QST"), "v@:");

  // Otherwise the same table; no 32-bit encoding of SpringBoard's methods
  // has a 64-bit word or a bool.
  for (std::size_t i = 0; i < linux.size(); ++i) {
    nlohmann::json a = linux[i], b = armv7[i];
    std::string types = b["types"];
    EXPECT_EQ(types.find_first_of("qQB"), std::string::npos) << b.dump();
    a.erase("types");
    b.erase("types");
    EXPECT_EQ(a, b);
  }
}

}  // namespace
}  // namespace emutest
