// Registers every stand-in framework's classes when the platform library is
// loaded, in dependency order, before any program or module can message them.
#include "boot.h"

#include "bulletinboard/bulletinboard.h"
#include "coreimage/CIColor.h"
#include "eventkit/eventkit.h"
#include "foundation/NSArray.h"
#include "foundation/NSData.h"
#include "foundation/NSDate.h"
#include "foundation/NSDictionary.h"
#include "foundation/NSIndexPath.h"
#include "foundation/NSNumber.h"
#include "foundation/NSPropertyListSerialization.h"
#include "foundation/NSRunLoop.h"
#include "foundation/NSScanner.h"
#include "foundation/NSString.h"
#include "foundation/NSURL.h"
#include "foundation/PropertyList.h"
#include "preferences/preferences.h"
#include "runtime/autorelease.h"
#include "runtime/nsobject.h"
#include "uikit/UIKit.h"

namespace {
__attribute__((constructor)) void bootPlatform() {
  registerNSObject();
  registerNSAutoreleasePool();
  registerNSString();
  registerNSNumber();
  registerNSArray();
  registerNSDictionary();
  registerNSDate();
  registerNSRunLoop();
  registerNSData();
  registerNSURL();
  registerNSScanner();
  registerNSIndexPath();
  registerPropertyLists();
  registerNSPropertyListSerialization();
  registerCoreImage();
  registerUIKit();
  registerBulletinBoard();
  registerEventKit();
  registerPreferences();
}
}  // namespace
