// Every setting the library reads has one control in the pane, which stores the kind of value the library converts.
#include <map>
#include <set>
#include <atomic>
#include <thread>

#include "qst/settings_table.h"
#include "pane.h"

namespace qst_test {
namespace {

// Each key read answers with a probe noting the conversion asked: boolValue, integerValue/intValue, or none (a string).
std::vector<std::string> gKeysRead;
std::map<std::string, std::string> gConversion;
id gSettingsDictionary = nil;
IMP gObjectForKey, gInitWithContentsOfFile;

struct ProbeObj : objc_object {
  std::string key;
};

BOOL probeResponds(id self, SEL, SEL asked) {
  std::string name = sel_getName(asked);
  if (name != "boolValue" && name != "integerValue" && name != "intValue") return NO;
  gConversion[static_cast<ProbeObj*>(self)->key] = name;
  return YES;
}
BOOL probeBool(id, SEL) { return NO; }
NSInteger probeInteger(id, SEL) { return 0; }
int probeInt(id, SEL) { return 0; }

id spyObjectForKey(id self, SEL cmd, id key) {
  if (self != gSettingsDictionary) return imp_call<id, id>(gObjectForKey, self, cmd, key);
  auto* probe = static_cast<ProbeObj*>(objc_new("SettingsProbe"));
  probe->key = standin::utf8Of(key);
  gKeysRead.push_back(probe->key);
  return objc_autorelease(probe);
}

id spyInitWithContentsOfFile(id self, SEL cmd, id path) {
  id dictionary = imp_call<id, id>(gInitWithContentsOfFile, self, cmd, path);
  if (standin::utf8Of(path) == qst::kSettingsFilePath) gSettingsDictionary = dictionary;
  return dictionary;
}

void spyOnTheSettingsReader() {
  Class probe = objc_defineClass<ProbeObj>(standin::nsObjectClass(), "SettingsProbe");
  class_addMethod(probe, sel("respondsToSelector:"), probeResponds);
  class_addMethod(probe, sel("boolValue"), probeBool);
  class_addMethod(probe, sel("integerValue"), probeInteger);
  class_addMethod(probe, sel("intValue"), probeInt);
  Class dictionary = objc_getClass("NSDictionary");
  gObjectForKey = class_replaceMethod(dictionary, sel("objectForKey:"), spyObjectForKey, "@@:@");
  gInitWithContentsOfFile =
      class_replaceMethod(dictionary, sel("initWithContentsOfFile:"), spyInitWithContentsOfFile, "@@:@");
}

using Controls = PaneTest;

TEST_F(Controls, EveryKeyTheLibraryReadsHasExactlyOneControlStoringTheKindItConverts) {
  root.settings({});
  spyOnTheSettingsReader();
  boot().lock();
  gSettingsDictionary = nil;
  ASSERT_GE(gKeysRead.size(), 20u) << "the spy saw the library read its settings";
  std::map<std::string, std::string> readerKind;
  for (const auto& key : gKeysRead)
    readerKind[key] = gConversion[key] == "boolValue" ? "boolean" : gConversion[key].empty() ? "string" : "integer";

  std::map<std::string, int> controlsPerKey;
  for (const auto& row : controls()) ++controlsPerKey[row.key];
  for (const auto& [key, kind] : readerKind) EXPECT_EQ(controlsPerKey[key], 1) << key;
  for (const auto& [key, n] : controlsPerKey) EXPECT_TRUE(readerKind.count(key)) << key << " is not a setting";

  // What each control stores when the user works it, against what the library converts.
  for (const auto& row : controls()) {
    std::vector<std::string> picks = row.choices;
    if (row.cell == "switch") picks = {"on", "off"};
    if (row.cell == "slider") picks = {"20"};
    if (row.cell == "number") picks = {"7"};
    if (row.cell == "text") picks = {"com.example.app"};
    ASSERT_FALSE(picks.empty()) << row.key;
    for (const auto& pick : picks) {
      app().set(row.key, pick);
      if (auto stored = storedType(row.key)) {
        EXPECT_EQ(*stored, readerKind[row.key]) << row.key << " = " << pick;
      }
    }
  }
}

// The settings record as text, one entry per variable, so two states compare and a difference names its variable.
class Defaults : public PaneTest {
 protected:
  std::map<std::string, std::string> settingsRecord() {
    std::map<std::string, std::string> r;
    for (const char* name :
         {"isEnabled", "showPriority", "showItemsWithoutDueDate", "showItemsWithDueDate", "showItemsWithPastDueDate",
          "compatibilityMode", "hideOnNowPlayingScreen", "showSeparatorLines", "rightAlignedDate", "displayLocation",
          "sameHeightRows", "titleColorSameAsListColor"})
      r[name] = library<BOOL>(name) ? "YES" : "NO";
    for (const char* name : {"wallpaperBlurMode", "reminderSorting", "swipeAction", "textSize", "subtitleTextSize",
                             "dateTextSize", "daysToDisplay", "maxRemindersToDisplay"})
      r[name] = std::to_string(library<NSInteger>(name));
    for (const char* name : {"textColor", "subtitleTextColor", "dateTextColor"}) {
      auto c = rgba(library<StrongId>(name));
      r[name] =
          std::to_string(c[0]) + " " + std::to_string(c[1]) + " " + std::to_string(c[2]) + " " + std::to_string(c[3]);
    }
    for (const char* name : {"customLaunchAppBundleID", "iconFile"}) r[name] = standin::utf8Of(library<StrongId>(name));
    return r;
  }
};

// What the library holds after a lock for each name a choice shows.
const std::map<std::string, std::array<CGFloat, 4>> kColourNames = {
    {"Red", {1, 0, 0, 1}},
    {"Black", {0, 0, 0, 1}},
    {"Gray", {0.5, 0.5, 0.5, 1}},
    {"White", {1, 1, 1, 1}},
    {"Green", {0, 1, 0, 1}},
    {"Blue", {0, 0, 1, 1}},
    {"Yellow", {1, 1, 0, 1}},
    {"Orange", {1, 0.5, 0, 1}},
    {"Purple", {0.5, 0, 0.5, 1}},
    {"Brown", {0.6, 0.4, 0.2, 1}},
    {"Translucent white", {1, 1, 1, 0.5}},
    {"Same as the list's colour", {1, 1, 1, 1}},
};
const std::map<std::string, std::map<std::string, NSInteger>> kNumberChoices = {
    {"reminderSorting", {{"As in Reminders", 0}, {"Undated first", 1}, {"Undated last", 2}}},
    {"wallpaperBlurMode", {{"As the system does", 0}, {"Not for reminders alone", 1}, {"Off", 2}}},
    {"swipeAction", {{"Nothing", 0}, {"Reminders", 1}, {"Another app", 3}}},
};
const std::map<std::string, std::string> kIconChoices = {
    {"Reminders", qst::kDefaultIconPath},
    {"Dot in the list's colour", "DOT"},
    {"Large dot", "DOT_LARGE"},
    {"None", "NONE"},
};

TEST_F(Defaults, EachControlShowsTheDefaultPickingItChangesNothingAndEachNameStoresWhatTheLibraryMakesOfIt) {
  boot().lock();
  auto withoutFile = settingsRecord();
  auto shown = controls();
  for (const auto& row : shown) {
    if (row.cell == "choice") {
      EXPECT_NE(std::find(row.choices.begin(), row.choices.end(), row.value), row.choices.end()) << row.key;
    }
    app().set(row.key, row.value);
  }
  device->relock();
  EXPECT_EQ(settingsRecord(), withoutFile);
  auto after = controls();
  ASSERT_EQ(after.size(), shown.size());
  for (size_t i = 0; i < after.size(); ++i) EXPECT_EQ(after[i].value, shown[i].value) << after[i].key;

  // Every name a choice shows, picked in turn.
  int checked = 0;

  for (const auto& row : controls()) {
    if (row.cell != "choice") continue;
    std::set<std::string> names(row.choices.begin(), row.choices.end());
    EXPECT_EQ(names.size(), row.choices.size()) << row.key << ": each name stands for one value";
    // Every value the library knows is offered, and no other.
    std::set<std::string> known;
    if (row.key == "iconFile") {
      for (const auto& [name, _] : kIconChoices) known.insert(name);
    } else if (kNumberChoices.count(row.key)) {
      for (const auto& [name, _] : kNumberChoices.at(row.key)) known.insert(name);
    }
    if (row.key.ends_with("Color")) {
      for (const char* colour : {"Red", "Black", "White", "Green", "Blue", "Yellow", "Orange", "Purple", "Brown"})
        EXPECT_TRUE(names.count(colour)) << row.key << " offers " << colour;
    } else {
      EXPECT_EQ(names, known) << row.key;
    }
    for (const auto& name : row.choices) {
      SCOPED_TRACE(row.key + " = " + name);
      app().set(row.key, name);
      device->relock();
      ++checked;
      if (row.key.ends_with("Color")) {
        ASSERT_TRUE(kColourNames.count(name));
        EXPECT_EQ(rgba(library<StrongId>(row.key.c_str())), kColourNames.at(name));
        if (row.key == "textColor") {
          EXPECT_EQ(library<BOOL>("titleColorSameAsListColor"), name == "Same as the list's colour");
        }
      } else if (row.key == "iconFile") {
        ASSERT_TRUE(kIconChoices.count(name));
        EXPECT_EQ(standin::utf8Of(library<StrongId>("iconFile")), kIconChoices.at(name));
      } else {
        ASSERT_TRUE(kNumberChoices.count(row.key) && kNumberChoices.at(row.key).count(name));
        EXPECT_EQ(library<NSInteger>(row.key.c_str()), kNumberChoices.at(row.key).at(name));
      }
      for (const auto& shown : controls())
        if (shown.key == row.key) {
          EXPECT_EQ(shown.value, name) << "the row shows the name picked";
        }
    }
  }
  EXPECT_GE(checked, 40);
}

using OwnIcon = Defaults;

TEST_F(OwnIcon, APathTypedBecomesTheIconAndTheListShowsItChosenUntilAnotherIsPicked) {
  boot().lock();
  auto row = [&](const std::string& label) {
    for (auto& r : app().mainPage().rows)
      if (r.label == label) return r;
    return sb::PaneRow{};
  };
  app().set("customIconFile", "/var/mobile/Media/mine.png");
  device->relock();
  EXPECT_EQ(standin::utf8Of(library<StrongId>("iconFile")), "/var/mobile/Media/mine.png");
  EXPECT_EQ(row("Icon").value, "Custom image");
  EXPECT_EQ(row("Custom image").value, "/var/mobile/Media/mine.png");

  app().set("iconFile", "Large dot");
  EXPECT_EQ(row("Icon").value, "Large dot");
  EXPECT_EQ(row("Custom image").value, "") << "the path field is for the user's own image only";
  app().set("iconFile", "Custom image");
  device->relock();
  EXPECT_EQ(standin::utf8Of(library<StrongId>("iconFile")), "/var/mobile/Media/mine.png") << "picked again by name";

  app().set("customIconFile", "");
  device->relock();
  EXPECT_EQ(storedType("iconFile"), std::nullopt) << "emptied: the library's default image";
  EXPECT_EQ(row("Icon").value, "Reminders");
}

using AtomicWrite = PaneTest;

TEST_F(AtomicWrite, AReaderRacingThePaneSeesTheOldFileOrTheNewNeverATornOne) {
  boot().lock();
  // Large enough that writing it takes many system calls.
  const std::string a(300000, 'a'), b(200000, 'b');
  app().set("customLaunchAppBundleID", a);

  std::atomic<bool> done{false};
  std::atomic<int> reads{0}, torn{0};
  std::thread reader([&] {
    while (!done) {
      plist_t root = readDeviceFile(kSettingsPath);
      plist_t node = root ? plist_dict_get_item(root, "customLaunchAppBundleID") : nullptr;
      char* text = nullptr;
      if (node) plist_get_string_val(node, &text);
      if (!text || (text != a && text != b)) ++torn;
      free(text);
      if (root) plist_free(root);
      ++reads;
    }
  });
  for (int i = 0; i < 60; ++i) app().set("customLaunchAppBundleID", i % 2 ? a : b);
  done = true;
  reader.join();
  EXPECT_GT(reads.load(), 10);
  EXPECT_EQ(torn.load(), 0);
}

TEST_F(AtomicWrite, AChangeKeepsTheOtherSettingsOfTheFile) {
  root.settings({{"textSize", 20LL}, {"unknownToThePane", std::string("kept")}});
  boot().lock();
  app().set("enabled", "off");
  plist_t file = readDeviceFile(kSettingsPath);
  ASSERT_TRUE(file);
  EXPECT_EQ(plist_dict_get_size(file), 3u);
  uint64_t size = 0;
  plist_get_uint_val(plist_dict_get_item(file, "textSize"), &size);
  EXPECT_EQ(size, 20u);
  plist_free(file);
  EXPECT_FALSE(std::filesystem::exists(standin::resolveDevicePath(kSettingsPath) + ".new"));
}

}  // namespace
}  // namespace qst_test
