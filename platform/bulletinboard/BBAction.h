// BBAction: what opening a bulletin does, launching a URL or an application.
//   +actionWithLaunchURL:callblock:       (NSURL, id callblock or nil)
//   +actionWithLaunchBundleID:callblock:  (NSString, id callblock or nil)
// both autoreleased; getters launchURL, launchBundleID; -description reads
// "url <the URL>", "bundle <the bundle identifier>" or "none".
#pragma once

#include "runtime/strong.h"

struct BBActionObj : objc_object {
  StrongId launchURL, launchBundleID, callblock;
};

void registerBBAction();
