#include "bulletinboard/BBAction.h"

#include "foundation/NSString.h"
#include "runtime/message.h"
#include "runtime/nsobject.h"

namespace {
BBActionObj* asAction(id self) { return static_cast<BBActionObj*>(self); }

// Class methods receive the class, so a subclass gets its own instances.
BBActionObj* newAction(id cls, id callblock) {
  auto* action = static_cast<BBActionObj*>(objc_new(static_cast<Class>(cls)));
  action->callblock.store(callblock);
  return action;
}

id actionWithLaunchURL(id cls, SEL, id url, id callblock) {
  BBActionObj* action = newAction(cls, callblock);
  action->launchURL.store(url);
  return objc_autorelease(action);
}
id actionWithLaunchBundleID(id cls, SEL, id bundleID, id callblock) {
  BBActionObj* action = newAction(cls, callblock);
  action->launchBundleID.store(bundleID);
  return objc_autorelease(action);
}

id launchURL(id self, SEL) { return asAction(self)->launchURL; }
id launchBundleID(id self, SEL) { return asAction(self)->launchBundleID; }

// The URL's text, from an NSURL or from a string given in its place.
std::string urlText(id url) {
  if (standin::isString(url)) return standin::utf8Of(url);
  if (respondsTo(url, sel("absoluteString"))) return standin::utf8Of(msgSend<id>(url, "absoluteString"));
  return "";
}

id description(id self, SEL) {
  BBActionObj* action = asAction(self);
  if (action->launchURL) return standin::stringWithUTF8("url " + urlText(action->launchURL));
  if (standin::isString(action->launchBundleID))
    return standin::stringWithUTF8("bundle " + standin::utf8Of(action->launchBundleID));
  return standin::str("none");
}
}  // namespace

static id copyAction(id self, SEL) { return objc_retain(self); }

void registerBBAction() {
  Class c = objc_defineClass<BBActionObj>(standin::nsObjectClass(), "BBAction");
  class_addClassMethod(c, sel("actionWithLaunchURL:callblock:"), actionWithLaunchURL);
  class_addClassMethod(c, sel("actionWithLaunchBundleID:callblock:"), actionWithLaunchBundleID);
  class_addMethod(c, sel("launchURL"), launchURL);
  class_addMethod(c, sel("launchBundleID"), launchBundleID);
  class_addMethod(c, sel("description"), description);
  // An action never changes once made: its copy is itself (NSCopying).
  class_addMethod(c, sel("copy"), copyAction);
}
