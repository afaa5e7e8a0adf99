#include "trace/describe.h"

#include <charconv>
#include <cmath>

#include "classes/SBAwayBulletinListItem.h"
#include "classes/SBLockScreenBulletinCell.h"
#include "classes/SBLockScreenNotificationBulletinBannerItem.h"
#include "foundation/NSIndexPath.h"
#include "foundation/NSNumber.h"
#include "foundation/NSString.h"
#include "runtime/message.h"

namespace sb::trace {
namespace {

// A text as a quoted string, with quotes, backslashes and control
// characters escaped, cut after kMaxTextInTrace bytes on a character edge.
std::string quoted(const std::string& text) {
  std::string out = "\"";
  size_t end = text.size();
  bool cut = false;
  if (end > kMaxTextInTrace) {
    end = kMaxTextInTrace;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    cut = true;
  }
  for (size_t i = 0; i < end; ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c == '\n') {
      out += "\\n";
    } else if (c < 0x20 || c == 0x7F) {
      static const char* hex = "0123456789abcdef";
      out += "\\x";
      out += hex[c >> 4];
      out += hex[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  if (cut) out += "…";
  return out + "\"";
}

std::string shortest(double value, bool single) {
  if (std::isnan(value)) return "nan";
  if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
  char buffer[64];
  auto written = single ? std::to_chars(buffer, buffer + sizeof buffer, static_cast<float>(value))
                        : std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, written.ptr);
}

std::string numberText(id number) {
  auto* n = static_cast<NSNumberObj*>(number);
  switch (n->kind) {
    case NSNumberObj::Kind::Bool: return n->s ? "YES" : "NO";
    case NSNumberObj::Kind::Signed: return std::to_string(n->s);
    case NSNumberObj::Kind::Unsigned: return std::to_string(n->u);
    case NSNumberObj::Kind::Float: return shortest(n->d, true);
    case NSNumberObj::Kind::Double: return shortest(n->d, false);
  }
  return "?";
}

std::string bulletinText(id bulletin) {
  if (!bulletin) return "nil";
  return quoted(standin::utf8Of(msgSend<id>(bulletin, "bulletinID")));
}

bool isClass(id obj, const char* name) { return std::string_view(class_getName(object_getClass(obj))) == name; }

}  // namespace

std::string describeNumber(double value) { return shortest(value, false); }
std::string describeText(const std::string& text) { return quoted(text); }

std::string describe(const CGRect& r) {
  return "{{" + describeNumber(r.origin.x) + ", " + describeNumber(r.origin.y) + "}, {" + describeNumber(r.size.width) +
         ", " + describeNumber(r.size.height) + "}}";
}

// Objects are read through their getters that SpringBoard and the library
// do not replace, so describing one never sends a traced message.
std::string describeObject(id obj) {
  if (!obj) return "nil";
  Class cls = object_getClass(obj);
  if (class_isMetaClass(cls)) return class_getName(reinterpret_cast<Class>(obj));
  if (standin::isString(obj)) return quoted(standin::utf8Of(obj));
  if (standin::isNumber(obj)) return numberText(obj);
  if (isClass(obj, "NSIndexPath")) {
    auto* path = static_cast<NSIndexPathObj*>(obj);
    return "[" + std::to_string(path->section) + ", " + std::to_string(path->row) + "]";
  }
  if (isClass(obj, "BBBulletin")) return "BBBulletin " + bulletinText(obj);
  if (isClass(obj, "SBAwayBulletinListItem"))
    return std::string(class_getName(object_getClass(obj))) + " " +
           bulletinText(static_cast<SBAwayBulletinListItemObj*>(obj)->_activeBulletin);
  if (isClass(obj, "SBLockScreenNotificationBulletinBannerItem")) {
    id item = static_cast<SBLockScreenNotificationBulletinBannerItemObj*>(obj)->_listItem;
    return std::string("SBLockScreenNotificationBulletinBannerItem ") +
           (item ? bulletinText(static_cast<SBAwayBulletinListItemObj*>(item)->_activeBulletin) : "nil");
  }
  if (isClass(obj, "SBLockScreenBulletinCell")) {
    id title = msgSend<id>(static_cast<SBLockScreenBulletinCellObj*>(obj)->primaryLabel, "text");
    std::string text = standin::utf8Of(title);
    return text.empty() ? "<SBLockScreenBulletinCell>" : "SBLockScreenBulletinCell " + quoted(text);
  }
  if (isClass(obj, "UIImage")) {
    CGSize size = msgSend<CGSize>(obj, "size");
    return "UIImage " + describeNumber(size.width) + "x" + describeNumber(size.height);
  }
  return std::string("<") + class_getName(cls) + ">";
}

}  // namespace sb::trace
