#include "presentation/list_color.h"

#include "host/foundation.h"
#include "settings/colors.h"
#include "startup/log.h"

namespace qst {

id listColorFromBulletinID(id identifier, NSUInteger minimumLength) {
  if (length(identifier) < minimumLength) {
    NSLog(NSStr("%@ did not find custom color string! (2)"), logPrefix());
    return systemColor("whiteColor");
  }
  id parts = msgSend<id, id>(identifier, "componentsSeparatedByString:", NSStr("|"));
  if (count(parts) < 2) {
    NSLog(NSStr("%@ did not find custom color string! (1)"), logPrefix());
    return systemColor("whiteColor");
  }
  id ciColor = msgSend<id, id>(objc_getClass("CIColor"), "colorWithString:", objectAtIndex(parts, 1));
  return msgSend<id, id>(objc_getClass("UIColor"), "colorWithCIColor:", ciColor);
}

}  // namespace qst
