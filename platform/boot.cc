// Registers every stand-in framework's classes when the platform library is
// loaded, in dependency order, before any program or module can message them.
#include "boot.h"

#include "bulletinboard/bulletinboard.h"
#include "coreimage/CIColor.h"
#include "eventkit/eventkit.h"
#include "foundation/NSArray.h"
#include "foundation/NSBundle.h"
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
#include "runtime/images.h"
#include "runtime/nsobject.h"
#include "uikit/UIKit.h"

namespace {
// Each framework's classes are its image's, as the device's are compiled
// into the framework that defines them (runtime/images.h).
__attribute__((constructor)) void bootPlatform() {
  objc_setDefiningImage(kObjcImage);
  registerNSObject();
  objc_setDefiningImage(kFoundationImage);
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
  registerNSBundle();
  objc_setDefiningImage(kCoreImageImage);
  registerCoreImage();
  objc_setDefiningImage(kUIKitImage);
  registerUIKit();
  objc_setDefiningImage(kBulletinBoardImage);
  registerBulletinBoard();
  objc_setDefiningImage(kEventKitImage);
  registerEventKit();
  objc_setDefiningImage(kPreferencesImage);
  registerPreferences();
  objc_setDefiningImage("");
}
}  // namespace
