#include "settings/colors.h"

namespace qst {
namespace {

const char* const kSystemColors[] = {"redColor",  "blackColor",  "grayColor",   "whiteColor",  "greenColor",
                                     "blueColor", "yellowColor", "orangeColor", "purpleColor", "brownColor"};
constexpr NSUInteger kSystemColorCount = sizeof kSystemColors / sizeof kSystemColors[0];

}  // namespace

id systemColor(const char* name) { return msgSend<id>(classNamed("UIColor"), name); }

id textColorForIndex(NSInteger index) {
  auto i = static_cast<NSUInteger>(index);
  return systemColor(i < kSystemColorCount ? kSystemColors[i] : "whiteColor");
}

id dateColorForIndex(NSInteger index) {
  if (index == 2) return msgSend<id, CGFloat, CGFloat>(classNamed("UIColor"), "colorWithWhite:alpha:", 1.0, 0.5);
  return textColorForIndex(index);
}

}  // namespace qst
