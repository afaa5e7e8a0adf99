#include <gtest/gtest.h>
#include <plist/plist.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <cstring>
#include <string>
#include <cstdint>
#include <initializer_list>

#include "device_folder_test.h"
#include "foundation/NSNumber.h"
#include "foundation/NSArray.h"
#include "foundation/NSDictionary.h"
#include "foundation/PropertyList.h"
#include "runtime/nsobject.h"
#include "temp_folder.h"

namespace {

constexpr const char* kPreferences = "/var/mobile/Library/Preferences/";

// The settings a preferences pane might write, as XML.
constexpr const char* kSettingsXML = R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0">
<dict>
  <key>title</key><string>Einkäufe &amp; more</string>
  <key>bigCount</key><integer>6000000000</integer>
  <key>offset</key><integer>-42</integer>
  <key>textSize</key><real>14.5</real>
  <key>enabled</key><true/>
  <key>hidden</key><false/>
  <key>lists</key><array><string>a</string><array><integer>7</integer></array></array>
  <key>inner</key><dict><key>depth</key><integer>2</integer></dict>
</dict>
</plist>
)";

// The same content as a binary file, written by libplist.
std::string settingsBinary() {
  plist_t tree = nullptr;
  plist_from_xml(kSettingsXML, static_cast<uint32_t>(std::strlen(kSettingsXML)), &tree);
  char* bytes = nullptr;
  uint32_t length = 0;
  plist_to_bin(tree, &bytes, &length);
  std::string binary(bytes, length);
  plist_to_bin_free(bytes);
  plist_free(tree);
  return binary;
}

class PropertyLists : public DeviceFolderTest {
 protected:
  PropertyLists() : DeviceFolderTest(kPreferences) {}

  static id arrayAt(id path) {
    return objc_autorelease(
        msgSend<id>(msgSend<id>(objc_getClass("NSArray"), "alloc"), "initWithContentsOfFile:", path));
  }
};

std::string asXML(const char* bytes, size_t length) {
  plist_t node = nullptr;
  plist_from_memory(bytes, static_cast<uint32_t>(length), &node);
  char* xml = nullptr;
  uint32_t xmlLength = 0;
  if (node) plist_to_xml(node, &xml, &xmlLength);
  std::string out = xml ? std::string(xml, xmlLength) : "";
  free(xml);
  if (node) plist_free(node);
  return out;
}

id written(id plist, NSUInteger format, id* error = nullptr) {
  return msgSend<id, id, NSUInteger, NSUInteger, id*>(objc_getClass("NSPropertyListSerialization"),
                                                      "dataWithPropertyList:format:options:error:", plist, format,
                                                      NSUInteger{0}, error);
}

// What is read from either form of file, written back in either form, is the file's content as libplist reads it.
TEST_F(PropertyLists, XMLAndBinaryFilesReadAndWriteBackTheSame) {
  const std::string expected = asXML(kSettingsXML, std::strlen(kSettingsXML));
  id binaryPath = writeFile("settings-binary.plist", settingsBinary());
  id owned =
      msgSend<id>(msgSend<id>(objc_getClass("NSMutableDictionary"), "alloc"), "initWithContentsOfFile:", binaryPath);
  for (id settings : {dictionaryAt(writeFile("settings.plist", kSettingsXML)), dictionaryAt(binaryPath), owned})
    for (NSUInteger format : {NSUInteger{100}, NSUInteger{200}}) {
      id data = written(settings, format);
      ASSERT_TRUE(data) << format;
      auto* bytes = static_cast<const char*>(msgSend<const void*>(data, "bytes"));
      EXPECT_EQ(asXML(bytes, msgSend<NSUInteger>(data, "length")), expected) << format;
    }
  objc_release(owned);
}

// A list of one element, as XML.
std::string listWith(const std::string& integerElement) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<array>" + integerElement +
         "</array>\n</plist>\n";
}

// Missing, not-regular and oversized files are the HostilePropertyLists cases'.
TEST_F(PropertyLists, UnreadableFilesAndTheWrongRootGiveNil) {
  EXPECT_NE(arrayAt(writeFile("octal.plist", listWith("<integer>010</integer>"))), nil);
  EXPECT_EQ(arrayAt(writeFile("bad.plist", listWith("<integer>1.5</integer>"))), nil);
  expectRefusal("bad.plist", "<integer>");
  EXPECT_EQ(dictionaryAt(nil), nil);
  EXPECT_EQ(dictionaryAt(writeFile("garbage.plist", "this is { not a plist")), nil);
  EXPECT_EQ(dictionaryAt(writeFile("empty.plist", "")), nil);
  EXPECT_EQ(dictionaryAt(writeFile("cut.plist", std::string(kSettingsXML).substr(0, 300))), nil);
  const std::string binary = settingsBinary();
  EXPECT_EQ(dictionaryAt(writeFile("cut-binary.plist", binary.substr(0, binary.size() / 2))), nil);
  EXPECT_EQ(arrayAt(writeFile("settings.plist", kSettingsXML)), nil);
  id listFile = writeFile("calendars.plist",
                          R"(<?xml version="1.0"?><plist version="1.0"><array><string>x</string></array></plist>)");
  EXPECT_NE(arrayAt(listFile), nil);
  EXPECT_EQ(dictionaryAt(listFile), nil);
}

TEST(PropertyListWriting, AnObjectAListCannotHoldGivesNilAndAReason) {
  AutoreleasePool pool;
  id error = nil;
  id holdsAnObject = standin::arrayWith({standin::str("a"), objc_autorelease(objc_new("NSObject"))});
  EXPECT_EQ(written(holdsAnObject, 100, &error), nil);
  EXPECT_TRUE(standin::isString(error));
  id numberKey = standin::dictionaryWith({{standin::numberWithLongLong(1), standin::str("one")}});
  EXPECT_EQ(written(numberKey, 200), nil);
  EXPECT_EQ(written(standin::str("text"), 7), nil) << "no such format";
}

TEST(DeviceWrites, GoUnderTheOverlayOnlyAndNeverClimbOutOfIt) {
  qst_test::TempFolder overlay("device-overlay");
  const char* pattern = overlay.path().c_str();
  EXPECT_EQ(standin::deviceWritablePath("/var/mobile/Library/Preferences/x.plist"), "") << "no overlay: nowhere";
  standin::setDeviceOverlay(pattern);
  std::string path = standin::deviceWritablePath("/var/mobile/Library/Preferences/x.plist");
  EXPECT_EQ(path, std::string(pattern) + "/var/mobile/Library/Preferences/x.plist");
  EXPECT_TRUE(std::filesystem::is_directory(std::string(pattern) + "/var/mobile/Library/Preferences"));
  EXPECT_EQ(standin::deviceWritablePath("/var/../../etc/passwd"), "");
  EXPECT_EQ(standin::deviceWritablePath("relative.plist"), "");
  standin::setDeviceOverlay("");
}

// A folder view fills in what the root lacks under its one device folder,
// read-only, and is never a way out of its host folder.
TEST(DeviceReads, AFolderViewFillsInOnlyWhatTheRootLacksBelowItsFolder) {
  qst_test::TempFolder root("device-root"), host("device-view");
  const std::string view = host.path() + "/B.bundle";
  auto write = [](const std::filesystem::path& path, const char* text) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path) << text;
  };
  write(view + "/icon.png", "view");
  write(view + "/own.png", "view");
  write(root.path() + "/Library/B.bundle/own.png", "root");
  write(host.path() + "/outside.txt", "outside");
  standin::setDeviceRoot(root.path());
  standin::setDeviceFolderView("/Library/B.bundle", view);
  EXPECT_EQ(standin::resolveDevicePath("/Library/B.bundle/icon.png"), view + "/icon.png");
  EXPECT_EQ(standin::resolveDevicePath("/Library/B.bundle/own.png"), root.path() + "/Library/B.bundle/own.png");
  for (const char* elsewhere : {"/Library/B.bundle/../outside.txt", "/Library/B.bundleX/icon.png", "/Library/B.bundle",
                                "/Library/B.bundle/missing.png"})
    EXPECT_EQ(standin::resolveDevicePath(elsewhere), root.path() + elsewhere) << elsewhere;
  EXPECT_EQ(standin::deviceWritablePath("/Library/B.bundle/icon.png"), "") << "a view is never written";
  standin::setDeviceFolderView("", "");
  EXPECT_EQ(standin::resolveDevicePath("/Library/B.bundle/icon.png"), root.path() + "/Library/B.bundle/icon.png");
  standin::setDeviceRoot("/");
}

// <integer> text in XML property lists read as CoreFoundation reads it: the one value of a list holding
// `integerElement`, nil when it is refused.
id readOne(const std::string& integerElement) {
  const std::string xml = listWith(integerElement);
  id array = standin::propertyListFromBytes(xml.data(), xml.size());
  return array ? msgSend<id, NSUInteger>(array, "objectAtIndex:", 0) : nil;
}

long long valueOf(const std::string& text) {
  id number = readOne("<integer>" + text + "</integer>");
  EXPECT_TRUE(standin::isNumber(number)) << text;
  return number ? msgSend<long long>(number, "longLongValue") : -1;
}

TEST(XMLIntegers, ReadAsCoreFoundationReadsThemOrTheWholeListIsRefused) {
  AutoreleasePool pool;
  for (auto [text, value] :
       std::initializer_list<std::pair<const char*, long long>>{{"010", 10},
                                                                {"0009", 9},
                                                                {"-010", -10},
                                                                {"000", 0},
                                                                {"-0", 0},
                                                                {"0x1F", 31},
                                                                {"0X00ff", 255},
                                                                {"0x0", 0},
                                                                {" \n+ 42", 42},
                                                                {"- 7", -7},
                                                                {"-9223372036854775808", INT64_MIN},
                                                                {"9223372036854775807", INT64_MAX}})
    EXPECT_EQ(valueOf(text), value) << text;
  id big = readOne("<integer>18446744073709551615</integer>");
  ASSERT_TRUE(standin::isNumber(big));
  EXPECT_EQ(msgSend<NSUInteger>(big, "unsignedIntegerValue"), 18446744073709551615ull);
  // Integers inside comments and CDATA are left to be what they are.
  id text = readOne("<!-- <integer>x</integer> --><string><![CDATA[<integer>y</integer>]]></string>");
  ASSERT_TRUE(standin::isString(text));
  EXPECT_EQ(standin::utf8Of(text), "<integer>y</integer>");
  for (const char* element :
       {"<integer></integer>", "<integer/>", "<integer>  </integer>", "<integer>-</integer>", "<integer>0x</integer>",
        "<integer>12 </integer>", "<integer>1.5</integer>", "<integer>1e3</integer>", "<integer>0b1</integer>",
        "<integer>12ab</integer>", "<integer>--1</integer>", "<integer>18446744073709551616</integer>",
        "<integer>0x10000000000000000</integer>", "<integer>-9223372036854775809</integer>",
        "<integer>&#49;</integer>"}) {
    const std::string xml = listWith(element);
    EXPECT_EQ(standin::propertyListFromBytes(xml.data(), xml.size()), nil) << element;
  }
}

}  // namespace
