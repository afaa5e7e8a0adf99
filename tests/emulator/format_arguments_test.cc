// How many variadic arguments a format reads, and how wide each is on the
// guest: what NSLog and stringWithFormat: take from the guest's stack.
#include <gtest/gtest.h>

#include "format_arguments.h"

namespace emu {
namespace {

std::string shapeOf(const std::string& format, Arch arch) {
  std::string shape;
  for (const FormatConversion& c : formatConversions(format, arch)) {
    const char* what = "isfos";  // signed, unsigned, floating, object, string
    shape += what[c.what];
    shape += std::to_string(c.part.size);
  }
  return shape;
}

TEST(FormatArgumentsTest, ConversionsAndLengthModifiersFollowTheGuestsWidths) {
  const std::string format = "%@ got %d of %lu (%lld) at %.2f: %s %c %x %p %zu 100%%";
  EXPECT_EQ(shapeOf(format, Arch::Arm64), "o8i4s8i8f8s8i4s4s8s8");
  EXPECT_EQ(shapeOf(format, Arch::Armv7), "o4i4s4i8f8s4i4s4s4s4");
}

TEST(FormatArgumentsTest, StarWidthsReadAnIntAndTextWithoutConversionsReadsNothing) {
  EXPECT_EQ(shapeOf("%*d|%-*.*s", Arch::Arm64), "i4i4i4i4s8");
  EXPECT_EQ(shapeOf("no arguments, 50%% off", Arch::Armv7), "");
  EXPECT_EQ(shapeOf("ends with %", Arch::Arm64), "");
}

}  // namespace
}  // namespace emu
