// Bundles and images as a Settings app meets them.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "foundation/NSArray.h"
#include "foundation/NSBundle.h"
#include "foundation/NSLog.h"
#include "foundation/NSString.h"
#include "runtime/autorelease.h"
#include "runtime/images.h"
#include "runtime/message.h"
#include "runtime/nsobject.h"
#include "temp_folder.h"

namespace {

constexpr const char* kPlist = R"(<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><dict><key>items</key><array>
<dict><key>cell</key><string>PSSwitchCell</string><key>key</key><string>enabled</string>
<key>label</key><string>Enabled</string></dict>
<dict><key>cell</key><string>PSLinkCell</string><key>detail</key><string>%DETAIL%</string>
<key>pane</key><string>%PANE%</string><key>id</key><string>more</string><key>label</key><string>More</string></dict>
</array></dict></plist>)";

id ownBundle(id, SEL);

class Bundles : public ::testing::Test {
 protected:
  void SetUp() override { standin::setLogEcho(false); }

  // A pane's folder: its Info.plist and a specifier plist whose link row names `detail` and `pane`.
  id paneBundle(const std::string& name, const std::string& detail, const std::string& pane = "") {
    std::string folder = folder_ + "/" + name + ".bundle";
    std::filesystem::create_directories(folder);
    std::ofstream(folder + "/Info.plist")
        << "<plist version=\"1.0\"><dict><key>CFBundleIdentifier</key><string>test." << name
        << "</string><key>CFBundleExecutable</key><string>" << name << "</string></dict></plist>";
    std::string plist = kPlist;
    plist.replace(plist.find("%DETAIL%"), 8, detail);
    plist.replace(plist.find("%PANE%"), 6, pane);
    std::ofstream(folder + "/Page.plist") << plist;
    id bundle = standin::bundleAtHostFolder(folder, folder);
    standin::setBundleLoaded(bundle, folder + "/" + name);
    return bundle;
  }

  // A page class made as a pane makes it, while the process runs.
  static Class runtimePage(const char* name, bool answersBundle = false) {
    Class cls = objc_allocateClassPair(objc_getClass("PSListController"), name);
    if (answersBundle) class_addMethod(cls, sel("bundle"), ownBundle);
    objc_registerClassPair(cls);
    return cls;
  }

  static id classNamed(id bundle, const char* name) {
    return msgSend<id, id>(bundle, "classNamed:", standin::str(name));
  }
  static id bundleOf(Class cls) { return msgSend<id, id>(objc_getClass("NSBundle"), "bundleForClass:", cls); }
  static std::string pathOf(id bundle) { return standin::utf8Of(msgSend<id>(bundle, "bundlePath")); }

  qst_test::TempFolder bundles_{"bundle-test"};
  const std::string& folder_ = bundles_.path();
  ObjcProcess settings_{"/Applications/Preferences.app",
                        {kObjcImage, kFoundationImage, kUIKitImage, kCoreImageImage, kPreferencesImage}};
  AutoreleasePool pool_;
};

id gOwnBundle = nil;
id ownBundle(id, SEL) { return gOwnBundle; }

TEST_F(Bundles, AClassMadeAtRunTimeBelongsToTheMainBundleAndACompiledOneToItsImageOnly) {
  Class made = runtimePage("MadePage");
  EXPECT_EQ(class_getImageName(made), nullptr);
  EXPECT_EQ(pathOf(bundleOf(made)), "/System/Library/CoreServices/SpringBoard.app") << "SpringBoard's process";
  {
    ObjcProcessScope inApp(settings_);
    EXPECT_EQ(pathOf(bundleOf(made)), "/Applications/Preferences.app");
    EXPECT_EQ(pathOf(bundleOf(objc_getClass("PSListController"))),
              "/System/Library/PrivateFrameworks/Preferences.framework");
  }
  id pane = paneBundle("Compiled", "Nothing");
  objc_setDefiningImage(folder_ + "/Compiled.bundle/Compiled");
  Class compiled = runtimePage("CompiledPage");
  objc_setDefiningImage("");
  EXPECT_EQ(bundleOf(compiled), pane);
  id byIdentifier = msgSend<id, id>(objc_getClass("NSBundle"), "bundleWithIdentifier:", standin::str("test.Compiled"));
  EXPECT_EQ(byIdentifier, pane);
  EXPECT_EQ(classNamed(pane, "CompiledPage"), compiled);
  EXPECT_EQ(classNamed(pane, "MadePage"), nil);
  EXPECT_EQ(classNamed(pane, "NSString"), nil);
}

// The page a row opens is found by name in the whole process, as NSClassFromString finds it; only the edit pane
// is looked up in the bundle, which answers for its own image's classes alone.
TEST_F(Bundles, ARowsPageIsFoundByNameInTheProcessAndItsEditPaneInTheBundleOnly) {
  ObjcProcessScope inApp(settings_);
  Class made = runtimePage("DetailMadePage");
  id page = objc_autorelease(objc_new(runtimePage("DetailOwnerPage", true)));
  auto linkRow = [&](const std::string& name, const std::string& detail, const std::string& pane) {
    gOwnBundle = paneBundle(name, detail, pane);
    return standin::arrayItems(
               msgSend<id, id, id>(page, "loadSpecifiersFromPlistName:target:", standin::str("Page"), page))
        .at(1);
  };
  auto detailOf = [](id row) { return msgSend<id>(row, "detailControllerClass"); };
  auto paneOf = [](id row) { return msgSend<id>(row, "editPaneClass"); };

  id row = linkRow("Made", "DetailMadePage", "DetailMadePage");
  EXPECT_EQ(detailOf(row), made) << "a class made at run time is found by name";
  EXPECT_EQ(paneOf(row), nil) << "it is in no bundle";

  row = linkRow("Framework", "PSListItemsController", "PSListItemsController");
  EXPECT_EQ(detailOf(row), objc_getClass("PSListItemsController"));
  EXPECT_NE(detailOf(row), nil);
  EXPECT_EQ(paneOf(row), nil) << "Preferences' class is not the pane's bundle's";

  EXPECT_EQ(detailOf(linkRow("Unloaded", "BBBulletin", "")), nil) << "the Settings app has not loaded BulletinBoard";
  EXPECT_EQ(detailOf(linkRow("Missing", "NoSuchPage", "NoSuchPane")), nil);

  gOwnBundle = paneBundle("Compiled", "DetailCompiledPage", "DetailCompiledPane");
  objc_setDefiningImage(folder_ + "/Compiled.bundle/Compiled");
  Class compiled = runtimePage("DetailCompiledPage"), compiledPane = runtimePage("DetailCompiledPane");
  objc_setDefiningImage("");
  row =
      standin::arrayItems(msgSend<id, id, id>(page, "loadSpecifiersFromPlistName:target:", standin::str("Page"), page))
          .at(1);
  EXPECT_EQ(detailOf(row), compiled);
  EXPECT_EQ(paneOf(row), compiledPane) << "the bundle's own class is its edit pane";
}

TEST_F(Bundles, AFrameworksClassesAreThereOnlyOnceItIsLoaded) {
  EXPECT_NE(objc_getClass("EKEventStore"), nil) << "SpringBoard's process";
  ObjcProcessScope inApp(settings_);
  EXPECT_EQ(objc_getClass("EKEventStore"), nil);
  EXPECT_EQ(objc_getClass("BBBulletin"), nil);
  EXPECT_NE(objc_getClass("PSSpecifier"), nil);
  EXPECT_NE(objc_getClass("NSString"), nil);
  id eventKit = msgSend<id, id>(objc_getClass("NSBundle"),
                                "bundleWithPath:", standin::str("/System/Library/Frameworks/EventKit.framework"));
  ASSERT_NE(eventKit, nil);
  EXPECT_FALSE(msgSend<BOOL>(eventKit, "isLoaded"));
  EXPECT_TRUE(msgSend<BOOL>(eventKit, "load"));
  EXPECT_NE(objc_getClass("EKEventStore"), nil);
  EXPECT_EQ(objc_getClass("BBBulletin"), nil);
}

}  // namespace
