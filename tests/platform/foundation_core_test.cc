#include <gtest/gtest.h>

#include <utility>
#include <fcntl.h>
#include <sys/stat.h>
#include <filesystem>
#include <fstream>
#include <string>

#include "foundation/NSArray.h"
#include "foundation/NSNumber.h"
#include "foundation/NSString.h"
#include "foundation/device.h"
#include "runtime/autorelease.h"
#include "runtime/message.h"
#include "foundation/NSDate.h"
#include "foundation/clock.h"
#include "host_environment.h"
#include "temp_folder.h"
#include "base/host_path.h"
#include "base/regular_file.h"
#include "base/scoped_fd.h"

namespace {

class FoundationCore : public ::testing::Test {
 protected:
  AutoreleasePool pool;
};

std::string format(const char* fmt, standin::FormatArgs args) { return standin::formatToUTF8(fmt, args); }

TEST_F(FoundationCore, LengthCountsUtf16UnitsAndIllFormedUtf8GivesNil) {
  EXPECT_EQ(msgSend<NSUInteger>(standin::str("abc"), "length"), 3u);
  EXPECT_EQ(msgSend<NSUInteger>(standin::str("\xC3\xA9t\xC3\xA9"), "length"), 3u);  // été
  EXPECT_EQ(msgSend<NSUInteger>(standin::str("\xF0\x9F\x98\x80!"), "length"), 3u);  // emoji is a surrogate pair
  id sub = msgSend<id>(standin::str("\xF0\x9F\x98\x80!"), "substringWithRange:", NSRange{2, 1});
  EXPECT_EQ(standin::utf8Of(sub), "!");
  EXPECT_THROW(msgSend<id>(standin::str("abc"), "substringWithRange:", NSRange{2, 5}), ObjCException);
  EXPECT_EQ(standin::stringWithUTF8("bad \xFF byte"), nil);
  EXPECT_EQ(standin::stringWithUTF8("\xED\xA0\x80"), nil);  // an encoded surrogate
}

TEST_F(FoundationCore, FormatConversions) {
  EXPECT_EQ(format("%@ got %lu reminders", {standin::str("QST:"), 3ull}), "QST: got 3 reminders");
  EXPECT_EQ(format("%ld %d %s %% %g %.2f", {-12ll, 5ll, "txt", 0.5, 2.0}), "-12 5 txt % 0.5 2.00");
  EXPECT_EQ(format("%@", {id{nullptr}}), "(null)");
  EXPECT_EQ(format("%d and %d", {1ll}), "1 and (missing)");
  EXPECT_EQ(format("%d", {standin::str("x")}), "(invalid)");
  // Plain decimals at their limits and across signedness print as printf's do; widths and flags still pad.
  EXPECT_EQ(format("%lld %llu", {static_cast<long long>(-9223372036854775807ll - 1), 18446744073709551615ull}),
            "-9223372036854775808 18446744073709551615");
  EXPECT_EQ(format("%d %u %i", {18446744073709551615ull, -1ll, 0ll}), "-1 18446744073709551615 0");
  EXPECT_EQ(format("[%5d|%-3u|%03i|%+d]", {42ll, 7ull, 5ll, 9ll}), "[   42|7  |005|+9]");
  // An argument is never read as a format.
  EXPECT_EQ(format("%@%@", {standin::str("!!! "), standin::str("Pay %n%s%@ rent")}), "!!! Pay %n%s%@ rent");
}

TEST_F(FoundationCore, StringAndNumberConversions) {
  for (auto [text, truth] : {std::pair{"  YES", true}, {"t", true}, {"+007", true}, {"0", false}, {"no", false}})
    EXPECT_EQ(msgSend<BOOL>(standin::str(text), "boolValue"), truth) << text;
  EXPECT_EQ(msgSend<NSInteger>(standin::str("  -42abc"), "integerValue"), -42);
  EXPECT_EQ(msgSend<NSInteger>(standin::str("x1"), "integerValue"), 0);
  EXPECT_EQ(msgSend<int>(standin::str("99999999999"), "intValue"), 2147483647);
  EXPECT_EQ(msgSend<NSInteger>(standin::str("99999999999"), "integerValue"), 99999999999);
  id big = standin::numberWithLongLong(4294967298ll);  // 2^32 + 2
  EXPECT_EQ(msgSend<int>(big, "intValue"), 2);
  EXPECT_EQ(msgSend<NSInteger>(big, "integerValue"), 4294967298);
  EXPECT_EQ(msgSend<NSInteger>(standin::numberWithDouble(-2.9), "integerValue"), -2);
  EXPECT_EQ(msgSend<int>(standin::numberWithDouble(3.99), "intValue"), 3);
  double narrowed = msgSend<RealDouble>(standin::numberWithFloat(static_cast<float>(40.1)), "doubleValue");
  EXPECT_EQ(narrowed, static_cast<double>(static_cast<float>(40.1)));
  EXPECT_NE(narrowed, 40.1);
  EXPECT_TRUE(msgSend<BOOL>(standin::numberWithLongLong(2), "isEqual:", standin::numberWithDouble(2.0)));
}

TEST_F(FoundationCore, ArrayLookupAndBounds) {
  id array = standin::arrayWith({standin::str("System Items"), standin::stringWithUTF8("QuillstoneBriarwhistle")});
  EXPECT_EQ(msgSend<NSUInteger>(array, "indexOfObject:", standin::stringWithUTF8("QuillstoneBriarwhistle")), 1u);
  EXPECT_EQ(msgSend<NSUInteger>(array, "indexOfObject:", standin::str("Other")), NSNotFound);
  EXPECT_THROW(msgSend<id>(array, "objectAtIndex:", NSUInteger{2}), ObjCException);
  EXPECT_THROW(msgSend<void>(standin::mutableArrayWith(), "addObject:", nil), ObjCException);
}

// Keys of ten apart compare as same. Figures from CoreFoundation's merge sort (CFSortFunctions.c) on these inputs.
TEST_F(FoundationCore, SortAsksWhatCoreFoundationAsksAndKeepsTiesInOrder) {
  auto sortedValues = [](std::vector<long long> values, NSComparator comparator) {
    std::vector<id> numbers;
    for (long long v : values) numbers.push_back(standin::numberWithLongLong(v));
    id array = standin::mutableArrayWith(numbers);
    msgSend<void, NSComparator>(array, "sortUsingComparator:", comparator);
    std::vector<long long> out;
    for (id n : standin::arrayItems(array)) out.push_back(msgSend<long long>(n, "longLongValue"));
    return out;
  };
  int asked = 0;
  NSComparator byTens = [&](id a, id b) -> NSInteger {
    ++asked;
    long long x = msgSend<long long>(a, "longLongValue") / 10, y = msgSend<long long>(b, "longLongValue") / 10;
    return x < y ? -1 : x > y ? 1 : 0;
  };
  std::vector<long long> mixed;
  for (int i = 0; i < 40; ++i) mixed.push_back((i * 7 % 13) * 10 + i % 10);
  EXPECT_EQ(sortedValues(mixed, byTens),
            (std::vector<long long>{0,  3,  6,  9,   12,  15,  18,  24,  27,  20,  36,  39, 32, 48,
                                    41, 44, 50, 53,  56,  62,  65,  68,  71,  74,  77,  83, 86, 89,
                                    95, 98, 91, 107, 100, 103, 119, 112, 115, 121, 124, 127}));
  EXPECT_EQ(asked, 167);
  std::vector<long long> inOrder;
  for (int i = 0; i < 100; ++i) inOrder.push_back(i * 10);
  asked = 0;
  EXPECT_EQ(sortedValues(inOrder, byTens), inOrder);
  EXPECT_EQ(asked, 175);

  int untilRaise = 30;
  NSComparator raising = [&](id a, id b) -> NSInteger {
    if (--untilRaise == 0) objc_raise("NSInvalidArgumentException", "comparator gave up");
    return byTens(a, b);
  };
  id array = standin::mutableArrayWith({standin::numberWithLongLong(30), standin::numberWithLongLong(10)});
  for (int i = 0; i < 38; ++i) msgSend<void, id>(array, "addObject:", standin::numberWithLongLong(90 - i));
  const std::vector<id> before = standin::arrayItems(array);
  EXPECT_THROW((msgSend<void, NSComparator>(array, "sortUsingComparator:", raising)), ObjCException);
  EXPECT_EQ(standin::arrayItems(array), before);
}

// NSNumber's answers where a real meets an integer or a string, as Darwin's Foundation gives them.
std::string description(id number) { return standin::utf8Of(msgSend<id>(number, "description")); }

TEST_F(FoundationCore, NumberBoolValueOfARealGoesThroughTheIntegerAndItsDescriptionHasSixteenOrSevenDigits) {
  for (auto [value, truth] :
       {std::pair{0.5, false}, {-0.999, false}, {0.0 / 0.0, false}, {1.5, true}, {-1.0, true}, {1e300, true}})
    EXPECT_EQ(msgSend<BOOL>(standin::numberWithDouble(value), "boolValue"), truth) << value;
  for (auto [number, truth] : {std::pair{standin::numberWithFloat(0.25f), false},
                               {standin::numberWithUnsignedLongLong(1ull << 63), true},
                               {standin::numberWithLongLong(1ll << 40), true},
                               {standin::numberWithLongLong(0), false}})
    EXPECT_EQ(msgSend<BOOL>(number, "boolValue"), truth) << description(number);
  // A description prints reals with sixteen or seven digits.
  for (auto [value, text] : {std::pair{0.1, "0.1"},
                             {0.85, "0.85"},
                             {1.0 / 3, "0.3333333333333333"},
                             {2.5, "2.5"},
                             {1e20, "1e+20"},
                             {-0.0, "-0"}})
    EXPECT_EQ(description(standin::numberWithDouble(value)), text);
  for (auto [number, text] : {std::pair{standin::numberWithFloat(0.1f), "0.1"},
                              {standin::numberWithFloat(1.0f / 3), "0.3333333"},
                              {standin::numberWithLongLong(-7), "-7"},
                              {standin::numberWithUnsignedLongLong(18446744073709551615ull), "18446744073709551615"}})
    EXPECT_EQ(description(number), text);
}

// The host environment is checked whole before any of it is applied.
TEST(HostEnvironment, AnEnvironmentWithOneFaultChangesNothing) {
  qst_test::TempFolder root("host-environment");
  standin::HostEnvironment applied;
  applied.deviceRoot = root.path();
  applied.systemVersion = "9.0";
  applied.timeZone = "Asia/Tokyo";
  applied.calendar = "japanese";
  applied.fixedClock = 1000.0;
  standin::applyHostEnvironment(applied);
  const double foundationVersion = NSFoundationVersionNumber;

  // Every other input differs from what was applied, so any of it set before the fault was found would show.
  for (auto fault : {+[](standin::HostEnvironment& e) { e.systemVersion = "6.1"; },
                     +[](standin::HostEnvironment& e) { e.deviceRoot = "/no/such/folder"; },
                     +[](standin::HostEnvironment& e) { e.timeZone = "Mars/Olympus_Mons"; },
                     +[](standin::HostEnvironment& e) { e.calendar = "lunar"; }}) {
    standin::HostEnvironment other;
    other.deviceRoot = "/";
    other.systemVersion = "7.0";
    other.timeZone = "Europe/Paris";
    other.fixedClock = 5.0;
    fault(other);
    EXPECT_THROW(standin::applyHostEnvironment(other), standin::HostEnvironmentError);
    EXPECT_EQ(standin::deviceRoot(), root.path());
    EXPECT_EQ(standin::currentZoneName(), "Asia/Tokyo");
    EXPECT_EQ(NSFoundationVersionNumber, foundationVersion);
    EXPECT_EQ(standin::clockNow(), 1000.0);
  }
}

// Files other programs write, read as the platform reads every one of them.
namespace fs = std::filesystem;

class HostFiles : public ::testing::Test {
 protected:
  qst_test::TempFolder temp_{"host-files"};
  void write(const std::string& name, const std::string& text) {
    std::ofstream(folder_ / name, std::ios::binary) << text;
  }

  fs::path folder_ = temp_.path();
};

TEST_F(HostFiles, AFolderHeldOpenIsReadEvenAfterItMovesAndAHeadIsTheFirstBytes) {
  write("a.ics", "twelve bytes");
  write("big.ics", std::string(101, 'x'));
  ASSERT_EQ(mkfifo((folder_ / "fifo.ics").c_str(), 0600), 0);  // nobody writes: a read would wait for ever
  const ScopedFd folder(open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  ASSERT_TRUE(folder.valid());
  fs::rename(folder_, folder_.string() + "-moved");
  folder_ += "-moved";

  std::string text;
  struct stat info{};
  EXPECT_EQ(standin::readRegularFileAt(folder.get(), "a.ics", 100, &text, &info), standin::FileReadStatus::Read);
  EXPECT_EQ(text, "twelve bytes");
  EXPECT_EQ(info.st_size, 12);
  EXPECT_EQ(standin::readRegularFileAt(folder.get(), "big.ics", 100, &text, &info), standin::FileReadStatus::TooLarge);
  EXPECT_EQ(info.st_size, 101);  // what was refused, for the caller's note of its version
  EXPECT_TRUE(text.empty());
  EXPECT_EQ(standin::readRegularFileAt(folder.get(), "fifo.ics", 100, &text, &info),
            standin::FileReadStatus::NotRegular);
  EXPECT_TRUE(S_ISFIFO(info.st_mode));
  EXPECT_EQ(standin::readRegularFileAt(folder.get(), "gone.ics", 100, &text), standin::FileReadStatus::Missing);
  EXPECT_EQ(standin::readRegularFileAt(folder.get(), "a.ics/x", 100, &text), standin::FileReadStatus::Missing);
  EXPECT_EQ(standin::readRegularFileAt(folder.get(), ".", 100, &text), standin::FileReadStatus::NotRegular);

  std::string head;
  EXPECT_EQ(standin::readRegularFileHead((folder_ / "big.ics").string(), 4, &head), standin::FileReadStatus::Read);
  EXPECT_EQ(head, "xxxx");
  EXPECT_EQ(standin::readRegularFileHead((folder_ / "a.ics").string(), 40, &head), standin::FileReadStatus::Read);
  EXPECT_EQ(head, "twelve bytes");
  EXPECT_EQ(standin::readRegularFileHead((folder_ / "fifo.ics").string(), 4, &head),
            standin::FileReadStatus::NotRegular);
  EXPECT_EQ(standin::readRegularFileHead("/dev/zero", 4, &head), standin::FileReadStatus::NotRegular);
  EXPECT_EQ(standin::readRegularFileHead((folder_ / "none").string(), 4, &head), standin::FileReadStatus::Missing);
}

TEST_F(HostFiles, APathLiesInAFolderByItsComponentsOnceResolved) {
  const std::string root = (folder_ / "root").string();
  fs::create_directories(root + "/var");
  fs::create_directories(folder_ / "root-b");
  fs::create_directory_symlink(root + "/var", folder_ / "link");

  EXPECT_TRUE(hostPathLiesIn(root, root));
  EXPECT_TRUE(hostPathLiesIn(root + "/", root));
  EXPECT_TRUE(hostPathLiesIn(root, root + "/"));
  EXPECT_TRUE(hostPathLiesIn(root + "/var/not-yet/a.png", root));
  EXPECT_TRUE(hostPathLiesIn((folder_ / "root-b/../root/a.png").string(), root));
  EXPECT_TRUE(hostPathLiesIn((folder_ / "link/a.png").string(), root));  // through a link into it
  EXPECT_FALSE(hostPathLiesIn((folder_ / "root-b/a.png").string(), root));
  EXPECT_FALSE(hostPathLiesIn((folder_ / "a.png").string(), root));
  EXPECT_FALSE(hostPathLiesIn(root + "/../a.png", root));
  EXPECT_TRUE(hostPathLiesIn("/anything", "/"));
}

}  // namespace
