// Own reminders step aside for the now-playing screen and never wake the
// screen.
#pragma once

#include "host/objc.h"

namespace qst {

extern Saved<id(id, SEL, id, id, id)> savedInitWithPluginName;
id initWithPluginName(id self, SEL cmd, id pluginName, id pluginController, id lockScreenViewController);

// Added to SBLockScreenPluginOverlayContext ("v@:"); runs five seconds after
// the now-playing overlay came up.
void removeCustomBulletins(id self, SEL cmd);

extern Saved<void(id, SEL, id)> savedTurnOnScreenIfNecessaryForItem;
void turnOnScreenIfNecessaryForItem(id self, SEL cmd, id item);

}  // namespace qst
