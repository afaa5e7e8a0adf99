#include "presentation/list_color.h"

#include "feed/bulletin_id.h"
#include "host/foundation.h"
#include "settings/colors.h"
#include "host/log.h"

namespace qst {

id listColorFromBulletinID(id identifier, NSUInteger minimumLength) {
  id colorText = nil;
  switch (readListColorText(identifier, minimumLength, &colorText)) {
    case ListColorText::TooShort:
      NSLog(QST_STR("%@ did not find custom color string! (2)"), logPrefix());
      return systemColor("whiteColor");
    case ListColorText::NoSeparator:
      NSLog(QST_STR("%@ did not find custom color string! (1)"), logPrefix());
      return systemColor("whiteColor");
    case ListColorText::Found: break;
  }
  id ciColor = msgSend<id, id>(classNamed("CIColor"), "colorWithString:", colorText);
  return msgSend<id, id>(classNamed("UIColor"), "colorWithCIColor:", ciColor);
}

}  // namespace qst
