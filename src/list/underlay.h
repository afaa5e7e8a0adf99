// The blurred wallpaper underlay, governed by wallpaperBlurMode: 0 leaves
// it alone, 1 withdraws it while only own and companion rows are listed and
// asks for it again when a foreign row is measured, 2 refuses the list's and
// the overlays' requests.
#pragma once

#include "host/objc.h"

extern "C" {
// The last "OverlayContext..." requester met while enabled; never cleared.
extern StrongId lastOverlayContextRequester;
}

namespace qst {

// The library's own request, granted as "NotificationList".
id ownUnderlayRequester();

extern Saved<void(id, SEL, id)> savedAddLockContentUnderlay;
void addLockContentUnderlayWithRequester(id self, SEL cmd, id requester);

extern Saved<NSUInteger(id, SEL)> savedCount;
NSUInteger listCount(id self, SEL cmd);

}  // namespace qst
