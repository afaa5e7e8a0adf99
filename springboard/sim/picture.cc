#include "picture.h"

#include <cairo.h>

#include <algorithm>

#include "Device.h"
#include "classes/SBLockScreenBulletinCell.h"
#include "classes/cell_metrics.h"
#include "foundation/NSDate.h"
#include "foundation/NSString.h"
#include "foundation/clock.h"
#include "runtime/autorelease.h"
#include "runtime/message.h"
#include "time_text.h"
#include "trace/trace.h"
#include "uikit/UIApplication.h"
#include "uikit/UIColor.h"
#include "uikit/UIFont.h"
#include "uikit/UIGraphics.h"
#include "uikit/UIImage.h"
#include "uikit/UILabel.h"
#include "uikit/UITableView.h"

namespace sim {

using namespace sb::metrics;

// One line of text with its top left corner at (x, y), in the font's face
// and size, as a label draws it.
void drawText(CGContextRef c, const std::string& text, id font, CGFloat x, CGFloat y, const CGFloat rgba[4],
              CGFloat alpha) {
  auto* f = static_cast<UIFontObj*>(font);
  if (text.empty() || !f || !f->scaledFont) return;
  // A glyph this large is far bigger than the screen, and FreeType cannot
  // render at sizes near the largest a setting can hold.
  if (f->pointSize > kMaxMetricsFontSize) return;
  cairo_t* cr = c->cr();
  cairo_save(cr);
  cairo_set_font_face(cr, cairo_scaled_font_get_font_face(f->scaledFont));
  cairo_set_font_size(cr, f->pointSize);
  cairo_set_source_rgba(cr, rgba[0], rgba[1], rgba[2], rgba[3] * alpha);
  // The baseline lies the device font's ascender below the line's top.
  cairo_move_to(cr, x, y + standin::fontAscender(font));
  cairo_show_text(cr, text.c_str());
  cairo_restore(cr);
}

namespace {

void drawLabel(CGContextRef c, id label, CGFloat dx, CGFloat dy, CGFloat alpha) {
  auto* l = static_cast<UILabelObj*>(label);
  if (!l || l->hidden) return;
  CGFloat rgba[4] = {1, 1, 1, 1};
  standin::colorGetRGBA(msgSend<id>(label, "textColor"), rgba);
  cairo_t* cr = c->cr();
  cairo_save(cr);
  cairo_rectangle(cr, dx + l->frame.origin.x, dy + l->frame.origin.y, l->frame.size.width, l->frame.size.height);
  cairo_clip(cr);
  drawText(c, standin::utf8Of(l->text), msgSend<id>(label, "font"), dx + l->frame.origin.x, dy + l->frame.origin.y,
           rgba, alpha);
  cairo_restore(cr);
}

// A night sky: a vertical gradient with a soft glow.
void drawWallpaper(CGContextRef c) {
  cairo_pattern_t* sky = cairo_pattern_create_linear(0, 0, 0, kMainScreenBounds.size.height);
  cairo_pattern_add_color_stop_rgb(sky, 0, 0.10, 0.16, 0.34);
  cairo_pattern_add_color_stop_rgb(sky, 1, 0.42, 0.22, 0.40);
  cairo_set_source(c->cr(), sky);
  cairo_paint(c->cr());
  cairo_pattern_destroy(sky);
  CGContextSetRGBFillColor(c, 1, 0.85, 0.6, 0.18);
  CGContextFillEllipseInRect(c, CGRectMake(150, 330, 260, 260));
}

void drawCell(CGContextRef c, const sb::RowState& row, id cellObject, CGRect rect) {
  auto* cell = static_cast<sb::SBLockScreenBulletinCellObj*>(cellObject);
  CGFloat dx = rect.origin.x, dy = rect.origin.y;
  if (cell->icon) {
    UIGraphicsPushContext(c);
    CGRect iconRect = CGRectMake(dx + kIconX, dy + kRowMargin, kIconSize, kIconSize);
    msgSend<void, CGRect>(cell->icon, "drawInRect:", iconRect);
    UIGraphicsPopContext();
  }
  for (id label : {cell->primaryLabel, cell->relevanceDateLabel, cell->subtitleLabel, cell->secondaryLabel,
                   cell->_unlockTextLabel})
    drawLabel(c, label, dx, dy, cell->_currentContentAlpha);
  if (row.separatorShown) {
    CGContextSetRGBFillColor(c, 1, 1, 1, 0.25);
    CGContextFillRect(c, CGRectMake(dx + kTextInset, dy + rect.size.height - 0.5, rect.size.width - kTextInset, 0.5));
  }
}

}  // namespace

bool drawLockScreenPNG(sb::Device& device, const std::string& hostPath, std::string* error) {
  AutoreleasePool pool;
  sb::trace::Unobserved onlooker;             // drawing the screen is no part of a step's trace
  sb::Snapshot snap = device.snapshot(true);  // only the rows in view are drawn
  UIGraphicsBeginImageContextWithOptions(kMainScreenBounds.size, YES, kMainScreenScale);
  CGContextRef c = UIGraphicsGetCurrentContext();
  drawWallpaper(c);
  if (snap.underlay.shown) {  // the blurred, darkened wallpaper behind the lock content
    CGContextSetRGBFillColor(c, 0, 0, 0, 0.45);
    CGContextFillRect(c, kMainScreenBounds);
  }
  CGFloat white[4] = {1, 1, 1, 1};
  NSTimeInterval now = standin::clockNow();
  std::string zone = standin::currentZoneName();
  std::string time = sb::clockTimeText(now, zone);
  id clockFont = standin::systemFontOfSize(76), dayFont = standin::systemFontOfSize(17);
  drawText(c, time, clockFont, (kScreenWidth - standin::fontLineAdvance(clockFont, time)) / 2, 40, white, 1);
  std::string day = sb::clockDayText(now, zone);
  drawText(c, day, dayFont, (kScreenWidth - standin::fontLineAdvance(dayFont, day)) / 2, 130, white, 1);
  if (auto* table = static_cast<UITableViewObj*>(device.tableView())) {
    msgSend<void>(device.tableView(), "layoutIfNeeded");  // rows below a change move at layout
    cairo_save(c->cr());
    cairo_rectangle(c->cr(), 0, kListTop, kScreenWidth, kListBottom - kListTop);
    cairo_clip(c->cr());
    for (size_t i = 0; i < table->rows.size() && i < snap.rows.size(); ++i) {
      CGRect rect = table->rows[i].rect;
      rect.origin.y += kListTop - table->contentOffsetY;
      if (table->rows[i].cell) drawCell(c, snap.rows[i], table->rows[i].cell, rect);
    }
    cairo_restore(c->cr());
  }
  std::string slide = "slide to unlock";
  id slideFont = standin::systemFontOfSize(22);
  drawText(c, slide, slideFont, (kScreenWidth - standin::fontLineAdvance(slideFont, slide)) / 2, 520, white, 0.8);
  return finishPNG(hostPath, error);
}

bool finishPNG(const std::string& hostPath, std::string* error) {
  id image = UIGraphicsGetImageFromCurrentImageContext();
  UIGraphicsEndImageContext();
  if (!image || !standin::writeImagePNG(image, hostPath)) {
    *error = hostPath + ": the picture cannot be written there";
    return false;
  }
  return true;
}

}  // namespace sim
