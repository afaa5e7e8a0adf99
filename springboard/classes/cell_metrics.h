// SpringBoard's own metrics of a lock-screen notification row (points).
#pragma once

#include "runtime/objc.h"

namespace sb::metrics {

inline constexpr CGFloat kScreenWidth = 320;
inline constexpr CGFloat kListTop = 170;     // the list starts below the clock
inline constexpr CGFloat kListBottom = 500;  // and ends above the slider
inline constexpr CGFloat kTextInset = 47;    // x of the row's text, right of the icon
inline constexpr CGFloat kRowMargin = 13;    // above the first line and below the last
inline constexpr CGFloat kGap = 10;          // between texts, and at the right edge
inline constexpr CGFloat kIconSize = 25;
inline constexpr CGFloat kIconX = 11;
inline constexpr CGFloat kTitleFontSize = 15;
inline constexpr CGFloat kMessageFontSize = 15;
inline constexpr CGFloat kSubtitleFontSize = 15;
inline constexpr CGFloat kDateFontSize = 13;
inline constexpr CGFloat kUnlockFontSize = 13;
inline constexpr const char* kUnlockText = "slide to view";
inline constexpr const char* kCellReuseIdentifier = "SBLockScreenBulletinCell";

// Rows fade towards the bottom of the list, where it meets the slider.
inline constexpr CGFloat contentAlphaForRow(NSInteger row) {
  CGFloat alpha = 1.0 - 0.15 * static_cast<CGFloat>(row);
  return alpha < 0.4 ? 0.4 : alpha;
}

// From this row on every row has the same alpha, so a change further down
// the list leaves the alphas above alone.
inline constexpr NSInteger kFirstRowAtAlphaFloor = 4;
static_assert(contentAlphaForRow(kFirstRowAtAlphaFloor) == 0.4 && contentAlphaForRow(kFirstRowAtAlphaFloor - 1) > 0.4);

}  // namespace sb::metrics
