// A pane whose page relies on the framework's idea of its bundle: the
// Settings app finds its plist nowhere, as on a device, and shows no rows;
// the library's own pane names its bundle and shows every row.
#include <gtest/gtest.h>

#include "foundation/NSLog.h"
#include "runtime/autorelease.h"
#include "settings_app.h"

namespace {

TEST(NaivePane, APageMadeAtRunTimeReadsTheSettingsAppsFolderAndShowsNothing) {
  standin::setLogEcho(false);
  AutoreleasePool pool;
  sb::SettingsApp naive(NAIVE_PANE);
  EXPECT_TRUE(naive.mainPage().rows.empty());

  sb::SettingsApp own(sb::SettingsApp::defaultBundleFolder());
  bool listsRow = false;
  for (const auto& row : own.mainPage().rows) listsRow |= row.label == "Reminder lists";
  EXPECT_TRUE(listsRow);
}

}  // namespace
