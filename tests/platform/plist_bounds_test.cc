// Property-list files written by other programs, of any shape and size.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "binary_plist_writer.h"
#include "foundation/NSLog.h"
#include "device_folder_test.h"
#include "foundation/NSString.h"
#include "foundation/PropertyList.h"
#include "foundation/PropertyListLimits.h"
#include "runtime/autorelease.h"
#include "runtime/message.h"

namespace {

constexpr const char* kPreferences = "/var/mobile/Library/Preferences/";

struct HostilePropertyLists : DeviceFolderTest {
  HostilePropertyLists() : DeviceFolderTest(kPreferences) {}
};

id itemAt(id array, NSUInteger index) { return msgSend<id, NSUInteger>(array, "objectAtIndex:", index); }
NSUInteger countOf(id collection) { return msgSend<NSUInteger>(collection, "count"); }

// A NUL in a settings key (a 54-byte file once tripped the parser's assertion) or an identifier is a character.
TEST_F(HostilePropertyLists, NulBytesInKeysAndStringsAreCharacters) {
  BinaryPlistWriter settings;
  auto nulKey = settings.string(std::string("enab\0led", 8));
  auto enabled = settings.string("enabled");
  auto off = settings.boolean(false), on = settings.boolean(true);
  const std::string bytes = settings.bytes(settings.dictionary({{nulKey, on}, {enabled, off}}));
  id dictionary = dictionaryAt(writeFile("settings.plist", bytes));
  ASSERT_NE(dictionary, nil);
  EXPECT_EQ(countOf(dictionary), 2u);
  EXPECT_FALSE(msgSend<BOOL>(msgSend<id, id>(dictionary, "objectForKey:", standin::str("enabled")), "boolValue"));
  EXPECT_TRUE(msgSend<BOOL>(
      msgSend<id, id>(dictionary, "objectForKey:", standin::stringWithUTF8(std::string("enab\0led", 8))), "boolValue"));

  BinaryPlistWriter selection;
  auto withNul = selection.string(std::string("6F0C\0tail", 9));
  auto nested = selection.dictionary({{selection.string(std::string("\0", 1)), selection.string("x")}});
  id array = arrayAt(writeFile("calendars.plist", selection.bytes(selection.array({withNul, nested}))));
  ASSERT_NE(array, nil);
  EXPECT_EQ(standin::utf8Of(itemAt(array, 0)), std::string("6F0C\0tail", 9));
  EXPECT_EQ(msgSend<NSUInteger>(itemAt(array, 0), "length"), 9u);
  EXPECT_TRUE(standin::capturedLogLines().empty());
}

// Nesting past the bound, in either format, and a list that contains itself are refused.
TEST_F(HostilePropertyLists, DeepNestingAndCyclesAreRefused) {
  auto nestedBinary = [](int levels) {
    BinaryPlistWriter writer;
    auto inner = writer.string("core");
    for (int i = 0; i < levels; ++i) inner = writer.array({inner});
    return writer.bytes(inner);
  };
  id readable = arrayAt(writeFile("deep-ok.plist", nestedBinary(kMaxPropertyListDepth)));
  ASSERT_NE(readable, nil);
  EXPECT_EQ(countOf(readable), 1u);
  EXPECT_TRUE(standin::capturedLogLines().empty());
  EXPECT_EQ(arrayAt(writeFile("deep.plist", nestedBinary(100000))), nil);
  expectRefusal("deep.plist", "nested deeper than 256 levels");

  std::string xml = "<?xml version=\"1.0\"?><plist version=\"1.0\">";
  for (int i = 0; i < 100000; ++i) xml += "<array>";
  for (int i = 0; i < 100000; ++i) xml += "</array>";
  EXPECT_EQ(arrayAt(writeFile("deep.xml.plist", xml + "</plist>")), nil);
  expectRefusal("deep.xml.plist", "nested deeper than 256 levels");
  // Empty elements written as <array/> and <dict /> do not nest.
  std::string flat = "<?xml version=\"1.0\"?><plist version=\"1.0\"><array>";
  for (int i = 0; i < 1000; ++i) flat += i % 2 ? "<array/>" : "<dict />";
  id flatArray = arrayAt(writeFile("flat.xml.plist", flat + "</array></plist>"));
  ASSERT_NE(flatArray, nil);
  EXPECT_EQ(countOf(flatArray), 1000u);

  BinaryPlistWriter cycle;
  auto self = cycle.reserve();
  cycle.setArray(self, {cycle.string("a"), self});
  EXPECT_EQ(arrayAt(writeFile("cycle.plist", cycle.bytes(self))), nil);
  expectRefusal("cycle.plist", "nested deeper");
}

// Each array refers to the one below it twice: 60 levels stand for 2^60 objects once expanded.
TEST_F(HostilePropertyLists, SharedSubtreesCountAsExpanded) {
  BinaryPlistWriter writer;
  auto shared = writer.string("leaf");
  for (int i = 0; i < 60; ++i) shared = writer.array({shared, shared});
  EXPECT_EQ(arrayAt(writeFile("sorting.plist", writer.bytes(shared))), nil);
  expectRefusal("sorting.plist", "more than 250000 objects");

  // A big string shared a million times: the bytes run out first.
  BinaryPlistWriter strings;
  auto big = strings.string(std::string(1 << 20, 'x'));
  std::vector<BinaryPlistWriter::Ref> many(100, big);
  EXPECT_EQ(arrayAt(writeFile("strings.plist", strings.bytes(strings.array(many)))), nil);
  expectRefusal("strings.plist", "bytes of text and data");

  // Sharing within the bounds is read, each place holding the value.
  BinaryPlistWriter fine;
  auto name = fine.string("System Items");
  id array = arrayAt(writeFile("fine.plist", fine.bytes(fine.array({name, name, name}))));
  ASSERT_NE(array, nil);
  EXPECT_EQ(standin::utf8Of(itemAt(array, 2)), "System Items");
}

// A selection file of 100,000 identifiers reads whole (each element is reached once, not by walking from the start).
TEST_F(HostilePropertyLists, LongArraysReadWhole) {
  BinaryPlistWriter writer;
  std::vector<BinaryPlistWriter::Ref> identifiers;
  for (int i = 0; i < 100000; ++i) identifiers.push_back(writer.string("list-" + std::to_string(i)));
  id array = arrayAt(writeFile("calendars.plist", writer.bytes(writer.array(identifiers))));
  ASSERT_NE(array, nil);
  ASSERT_EQ(countOf(array), 100000u);
  EXPECT_EQ(standin::utf8Of(itemAt(array, 99999)), "list-99999");

  std::string xml = "<?xml version=\"1.0\"?><plist version=\"1.0\"><array>";
  for (int i = 0; i < 100000; ++i) xml += "<string>list-" + std::to_string(i) + "</string>";
  id xmlArray = arrayAt(writeFile("calendars.xml.plist", xml + "</array></plist>"));
  ASSERT_NE(xmlArray, nil);
  EXPECT_EQ(standin::utf8Of(itemAt(xmlArray, 99999)), "list-99999");

  // XML keys are bounded on their own: the parser's time grows with their square.
  std::string keys = "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict>";
  for (std::size_t i = 0; i <= kMaxXMLPropertyListKeys; ++i) keys += "<key>k" + std::to_string(i) + "</key><true/>";
  EXPECT_EQ(dictionaryAt(writeFile("keys.plist", keys + "</dict></plist>")), nil);
  expectRefusal("keys.plist", "more than 20000 keys");
}

// Every damaged offset, count, width or marker of a real file is refused or read as something.
TEST_F(HostilePropertyLists, DamagedBinaryFilesAreRefusedSafely) {
  BinaryPlistWriter writer;
  auto key = writer.string("textSize");
  auto list = writer.array({writer.integer(-42), writer.string("Einkäufe"), writer.boolean(true)});
  const std::string good = writer.bytes(writer.dictionary({{key, writer.integer(14)}, {writer.string("l"), list}}));
  ASSERT_NE(standin::propertyListFromBytes(good.data(), good.size()), nil);
  for (std::size_t at = 0; at < good.size(); ++at) {
    for (char value : {'\x00', '\x0F', '\x7F', '\xFF'}) {
      AutoreleasePool inner;
      std::string damaged = good;
      damaged[at] = value;
      standin::propertyListFromBytes(damaged.data(), damaged.size());
    }
    const std::string cut = good.substr(0, at);
    standin::propertyListFromBytes(cut.data(), cut.size());
  }
  // A key that is not a string, an object type the format does not have.
  BinaryPlistWriter wrongKey;
  const std::string numberKey = wrongKey.bytes(wrongKey.dictionary({{wrongKey.integer(1), wrongKey.integer(2)}}));
  EXPECT_EQ(dictionaryAt(writeFile("key.plist", numberKey)), nil);
  expectRefusal("key.plist", "key that is not a string");
}

// Only a regular file within the size bound is read; a FIFO is not waited on, a folder is not content.
TEST_F(HostilePropertyLists, OnlyRegularFilesOfBoundedSizeAreRead) {
  ASSERT_EQ(mkfifo(hostPath("fifo.plist").c_str(), 0600), 0);
  EXPECT_EQ(dictionaryAt(standin::stringWithUTF8(std::string(kPreferences) + "fifo.plist")), nil);
  expectRefusal("fifo.plist", "not a regular file");
  std::filesystem::create_directory(hostPath("folder.plist"));
  EXPECT_EQ(arrayAt(standin::stringWithUTF8(std::string(kPreferences) + "folder.plist")), nil);
  expectRefusal("folder.plist", "not a regular file");

  id big = writeFile("big.plist", "");
  std::filesystem::resize_file(hostPath("big.plist"), kMaxPropertyListFileBytes + 1);
  EXPECT_EQ(dictionaryAt(big), nil);
  expectRefusal("big.plist", "larger than");

  // A missing file is the usual absence of settings: nil, nothing logged.
  EXPECT_EQ(dictionaryAt(standin::str("/var/mobile/Library/Preferences/absent.plist")), nil);
  EXPECT_TRUE(standin::capturedLogLines().empty());
}

}  // namespace
