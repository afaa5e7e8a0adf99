// UIKit, Core Graphics and Core Image, as the library sees them: geometry in
// the platform's length type and colours.
#pragma once

#include "coregraphics/CGColor.h"
#include "coregraphics/CGGeometry.h"
#include "host/objc.h"
#include "coregraphics/CGContext.h"
#include "uikit/UIGraphics.h"
