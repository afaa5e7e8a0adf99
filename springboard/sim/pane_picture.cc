#include <cairo.h>

#include <algorithm>
#include <cctype>
#include <numbers>

#include "coregraphics/CGContext.h"
#include "picture.h"
#include "runtime/autorelease.h"
#include "runtime/message.h"
#include "settings_app.h"
#include "uikit/UIApplication.h"
#include "uikit/UIFont.h"
#include "uikit/UIGraphics.h"
#include "uikit/UIImage.h"

namespace sim {
namespace {

// iOS 7's grouped table, in points.
constexpr CGFloat kWidth = 320, kBarHeight = 64, kRowHeight = 44, kInset = 15, kGroupGap = 35, kFooterLine = 16;
constexpr CGFloat kIconSize = 29, kIconLabelX = 58, kSwitchWidth = 51, kSwitchHeight = 31;
constexpr CGFloat kBlack[4] = {0, 0, 0, 1}, kGray[4] = {0.43, 0.43, 0.45, 1}, kValueGray[4] = {0.56, 0.56, 0.58, 1};
constexpr CGFloat kTint[4] = {0, 0.48, 1, 1};

// The footer's words in lines that fit the page.
std::vector<std::string> wrap(const std::string& text, id font, CGFloat width) {
  std::vector<std::string> lines;
  std::string line;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find(' ', pos);
    std::string word = text.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
    std::string candidate = line.empty() ? word : line + " " + word;
    if (!line.empty() && standin::fontLineAdvance(font, candidate) > width) {
      lines.push_back(line);
      line = word;
    } else {
      line = candidate;
    }
    pos = end == std::string::npos ? text.size() : end + 1;
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

std::string upper(std::string s) {
  for (char& ch : s) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  return s;
}

class PanePainter {
 public:
  explicit PanePainter(CGContextRef c) : c_(c) {}

  // Lays the page out from the top; draws only with a context.
  CGFloat paint(const sb::PanePage& page) {
    id title = standin::systemFontOfSize(17), small = standin::systemFontOfSize(13);
    if (c_) {
      fill(0.94, 0.94, 0.96, 0, 0, kWidth, 10000);
      fill(0.97, 0.97, 0.97, 0, 0, kWidth, kBarHeight);
      fill(0.70, 0.70, 0.72, 0, kBarHeight - 0.5, kWidth, 0.5);
      drawText(c_, page.title, title, (kWidth - standin::fontLineAdvance(title, page.title)) / 2, 31, kBlack, 1);
    }
    CGFloat y = kBarHeight;
    for (const sb::PaneGroup& group : page.groups) {
      y += kGroupGap;
      if (!group.title.empty()) {
        std::string shown =
            upper(group.title.substr(group.title.find(": ") == std::string::npos ? 0 : group.title.find(": ") + 2));
        if (c_) drawText(c_, shown, small, kInset, y - 20, kGray, 1);
      }
      bool first = true;
      for (const sb::PaneRow& row : page.rows) {
        if (row.group != group.title) continue;
        if (c_) drawRow(row, y, first);
        first = false;
        y += kRowHeight;
      }
      if (!group.footer.empty()) {
        y += 7;
        for (const std::string& line : wrap(group.footer, small, kWidth - 2 * kInset)) {
          if (c_) drawText(c_, line, small, kInset, y, kGray, 1);
          y += kFooterLine;
        }
      }
    }
    return y + kGroupGap;
  }

 private:
  void fill(CGFloat r, CGFloat g, CGFloat b, CGFloat x, CGFloat y, CGFloat w, CGFloat h) {
    CGContextSetRGBFillColor(c_, r, g, b, 1);
    CGContextFillRect(c_, CGRectMake(x, y, w, h));
  }

  void drawRow(const sb::PaneRow& row, CGFloat y, bool first) {
    id font = standin::systemFontOfSize(17);
    fill(1, 1, 1, 0, y, kWidth, kRowHeight);
    if (!first) fill(0.78, 0.78, 0.80, row.icon ? kIconLabelX : kInset, y, kWidth, 0.5);
    CGFloat labelX = kInset;
    if (row.icon) {
      UIGraphicsPushContext(c_);
      msgSend<void, CGRect>(row.icon.get(),
                            "drawInRect:", CGRectMake(kInset, y + (kRowHeight - kIconSize) / 2, kIconSize, kIconSize));
      UIGraphicsPopContext();
      labelX = kIconLabelX;
    }
    const CGFloat* labelColour = row.cell == "list" && !row.icon ? kTint : kBlack;
    drawText(c_, row.label, font, labelX, y + 11, labelColour, 1);
    CGFloat right = kWidth - kInset;
    if (row.cell == "switch")
      return drawSwitch(row.value == "on", right - kSwitchWidth, y + (kRowHeight - kSwitchHeight) / 2);
    if (row.cell == "list") {
      if (row.value == "on") drawCheckMark(right, y + kRowHeight / 2);
      return;
    }
    if (row.cell == "choice" || row.cell == "link") {
      drawText(c_, ">", font, right - standin::fontLineAdvance(font, ">"), y + 11, kValueGray, 1);
      right -= 20;
    }
    std::string value = row.cell == "link" ? "" : row.value;
    CGFloat width = standin::fontLineAdvance(font, value);
    CGFloat x = std::max(right - width, labelX + standin::fontLineAdvance(font, row.label) + 12);
    cairo_save(c_->cr());
    cairo_rectangle(c_->cr(), x, y, right - x, kRowHeight);
    cairo_clip(c_->cr());
    drawText(c_, value, font, x, y + 11, kValueGray, 1);
    cairo_restore(c_->cr());
  }

  // The table's check mark, drawn rather than set as text: the fonts at
  // hand have no glyph for it.
  void drawCheckMark(CGFloat right, CGFloat middle) {
    cairo_t* cr = c_->cr();
    cairo_move_to(cr, right - 14, middle);
    cairo_line_to(cr, right - 9, middle + 5);
    cairo_line_to(cr, right, middle - 6);
    cairo_set_source_rgba(cr, kTint[0], kTint[1], kTint[2], kTint[3]);
    cairo_set_line_width(cr, 2);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_stroke(cr);
  }

  void drawSwitch(bool on, CGFloat x, CGFloat y) {
    cairo_t* cr = c_->cr();
    CGFloat r = kSwitchHeight / 2;
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + r, y + r, r, std::numbers::pi / 2, 3 * std::numbers::pi / 2);
    cairo_arc(cr, x + kSwitchWidth - r, y + r, r, -std::numbers::pi / 2, std::numbers::pi / 2);
    cairo_close_path(cr);
    if (on)
      cairo_set_source_rgb(cr, 0.30, 0.85, 0.39);
    else
      cairo_set_source_rgb(cr, 0.90, 0.90, 0.92);
    cairo_fill(cr);
    CGFloat knobX = on ? x + kSwitchWidth - r : x + r;
    cairo_arc(cr, knobX, y + r, r - 1.5, 0, 2 * std::numbers::pi);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_fill(cr);
  }

  CGContextRef c_;
};

}  // namespace

bool drawPanePNG(const sb::PanePage& page, const std::string& hostPath, std::string* error) {
  AutoreleasePool pool;
  CGFloat height = PanePainter(nullptr).paint(page);
  UIGraphicsBeginImageContextWithOptions(CGSizeMake(kWidth, height), YES, kMainScreenScale);
  PanePainter(UIGraphicsGetCurrentContext()).paint(page);
  return finishPNG(hostPath, error);
}

}  // namespace sim
