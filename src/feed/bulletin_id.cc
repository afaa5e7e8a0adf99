#include "feed/bulletin_id.h"

#include "host/foundation.h"

namespace qst {

id ownBulletinID(NSUInteger reminderIndex, id listColorText) {
  const unsigned index = static_cast<unsigned>(reminderIndex);
  if (listColorText) return format(QST_STR("QuillstoneBriarwhistle %u|%@"), index, listColorText);
  return format(QST_STR("QuillstoneBriarwhistle %u|"), index);
}

// hasPrefix: sent to nil answers NO.
bool isOwnBulletinID(id bulletinID) { return hasPrefix(bulletinID, QST_STR("QuillstoneBriarwhistle")); }

ListColorText readListColorText(id bulletinID, NSUInteger minimumLength, id* colorText) {
  // length sent to nil answers 0, so an absent identifier is too short.
  if (length(bulletinID) < minimumLength) return ListColorText::TooShort;
  id parts = msgSend<id, id>(bulletinID, "componentsSeparatedByString:", QST_STR("|"));
  if (count(parts) < 2) return ListColorText::NoSeparator;
  *colorText = objectAtIndex(parts, 1);
  return ListColorText::Found;
}

}  // namespace qst
