#include "presentation/cell_layout.h"

#include "host/springboard.h"
#include "presentation/list_color.h"
#include "settings/colors.h"
#include "settings/settings.h"

namespace qst {
namespace {

constexpr CGFloat kLeftInset = 47.0;
constexpr CGFloat kGap = 10.0;
constexpr CGFloat kTopMargin = 13.0;
constexpr NSUInteger kMinimumColoredIDLength = 22;
// iOS 7's Foundation; later systems draw separators with other calls.
constexpr double kSeparatorVersionLimit = 1047.25;

id label(id cell, const char* name) { return msgSend<id>(cell, name); }

void setFontSize(id label, NSInteger size) {
  id font = msgSend<id, CGFloat>(msgSend<id>(label, "font"), "fontWithSize:", static_cast<CGFloat>(size));
  msgSend<void, id>(label, "setFont:", font);
}

void setTextColor(id label, id color) { msgSend<void, id>(label, "setTextColor:", color); }

CGSize measure(id label) {
  return msgSend<CGSize, id>(msgSend<id>(label, "text"), "sizeWithFont:", msgSend<id>(label, "font"));
}

id titleColor(id item) {
  if (!titleColorSameAsListColor) return textColor;
  return listColorFromBulletinID(item ? bulletinID(activeBulletin(item)) : nil, kMinimumColoredIDLength);
}

void setFrame(id label, CGFloat x, CGFloat y, CGFloat w, CGFloat h) {
  msgSend<void, CGRect>(label, "setFrame:", CGRectMake(x, y, w, h));
}

void layOutLabels(id cell) {
  id date = label(cell, "relevanceDateLabel");
  id title = label(cell, "primaryLabel");
  id subtitle = label(cell, "subtitleLabel");
  CGSize d = measure(date), t = measure(title), s = measure(subtitle);
  CGFloat width = msgSend<CGRect>(cell, "contentBounds").size.width;

  // The taller of title and date starts at the top margin; both end on one
  // line. The date's width is taken from the title's room wherever it stands.
  CGFloat lineY = (t.height > d.height ? t.height : d.height) + kTopMargin;
  CGFloat avail = (width - kLeftInset) - kGap;
  CGFloat titleLimit = (avail - d.width) - kGap;
  CGFloat titleWidth = t.width < titleLimit ? t.width : titleLimit;
  CGFloat titleY = lineY - t.height;

  setFrame(title, kLeftInset, titleY, titleWidth, t.height);
  CGFloat dateX = rightAlignedDate ? (width - d.width) - kGap : (titleWidth + kLeftInset) + kGap;
  setFrame(date, dateX, lineY - d.height, d.width, d.height);
  setFrame(subtitle, kLeftInset, titleY + t.height, avail > s.width ? s.width : avail, s.height);
}

void setSeparators(id cell) {
  if (__builtin_floor(NSFoundationVersionNumber) > kSeparatorVersionLimit) {
    msgSend<void, BOOL>(cell, "_setSeparatorHidden:", !showSeparatorLines);
    msgSend<void, BOOL>(cell, "_setDrawsSeparatorAtTopOfSection:", NO);
  } else {
    msgSend<void, BOOL>(cell, "setDrawsSeparators:", showSeparatorLines);
  }
}

}  // namespace

void styleCell(id cell, id item) {
  setTextColor(label(cell, "secondaryLabel"), systemColor("clearColor"));
  id title = label(cell, "primaryLabel");
  setFontSize(title, textSize);
  setTextColor(title, titleColor(item));
  id subtitle = label(cell, "subtitleLabel");
  setFontSize(subtitle, subtitleTextSize);
  setTextColor(subtitle, subtitleTextColor);
  id date = label(cell, "relevanceDateLabel");
  setFontSize(date, dateTextSize);
  setTextColor(date, dateTextColor);
  msgSend<void, id>(ivar<id>(cell, "_unlockTextLabel"), "setText:", QST_STR(""));
  layOutLabels(cell);
  setSeparators(cell);
}

}  // namespace qst
