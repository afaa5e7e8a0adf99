// The simulated device's application, window and screen.
//   UIApplication (class "UIApplication"): +sharedApplication, -windows (an
//     array holding the one key window).
//   UIWindow (class "UIWindow", a UIView): -screen.
//   UIScreen (class "UIScreen"): +mainScreen, -scale (2.0), -bounds
//     (0, 0, 320, 568 points: a 4-inch Retina phone).
// All three are process-wide singletons that live as long as the process.
#pragma once

#include "coregraphics/CGGeometry.h"
#include "runtime/objc.h"

inline constexpr CGFloat kMainScreenScale = 2.0;
inline constexpr CGRect kMainScreenBounds = {{0, 0}, {320, 568}};

void registerUIApplication();  // after UIView
