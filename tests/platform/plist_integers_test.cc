// <integer> text in XML property lists read as CoreFoundation reads it, and a
// list CF would refuse for its integer refused whole and silently.
#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>

#include "device_folder_test.h"
#include "foundation/NSNumber.h"
#include "foundation/PropertyList.h"
#include "runtime/message.h"

namespace {

std::string listWith(const std::string& integerElement) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<array>" + integerElement +
         "</array>\n</plist>\n";
}

// The one value of a list holding `integerElement`; nil when it is refused.
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

TEST(XMLIntegers, LeadingZerosAreDecimalAndHexIsRead) {
  AutoreleasePool pool;
  for (auto [text, value] : std::initializer_list<std::pair<const char*, long long>>{
           {"010", 10}, {"0009", 9}, {"-010", -10}, {"000", 0}, {"-0", 0}, {"0x1F", 31}, {"0X00ff", 255}, {"0x0", 0},
           {" \n+ 42", 42}, {"- 7", -7}, {"-9223372036854775808", INT64_MIN}, {"9223372036854775807", INT64_MAX}})
    EXPECT_EQ(valueOf(text), value) << text;
  id big = readOne("<integer>18446744073709551615</integer>");
  ASSERT_TRUE(standin::isNumber(big));
  EXPECT_EQ(msgSend<NSUInteger>(big, "unsignedIntegerValue"), 18446744073709551615ull);
  // Integers inside comments and CDATA are left to be what they are.
  id text = readOne("<!-- <integer>x</integer> --><string><![CDATA[<integer>y</integer>]]></string>");
  ASSERT_TRUE(standin::isString(text));
  EXPECT_EQ(standin::utf8Of(text), "<integer>y</integer>");
}

TEST(XMLIntegers, TextCFRefusesRefusesTheWholeList) {
  AutoreleasePool pool;
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

class XMLIntegerFiles : public DeviceFolderTest {
 protected:
  XMLIntegerFiles() : DeviceFolderTest("/var/mobile/Library/Preferences/") {}
};

TEST_F(XMLIntegerFiles, ARefusedFileIsNilWithoutALogLine) {
  id path = writeFile("octal.plist", listWith("<integer>010</integer>"));
  id array = arrayAt(path);
  ASSERT_NE(array, nil);
  EXPECT_EQ(msgSend<NSInteger>(msgSend<id, NSUInteger>(array, "objectAtIndex:", 0), "integerValue"), 10);
  path = writeFile("bad.plist", listWith("<integer>1.5</integer>"));
  EXPECT_EQ(arrayAt(path), nil);
  expectRefusal("bad.plist", "<integer>");
}

}  // namespace
