// UIKit, Core Graphics and Core Image, as the library sees them: geometry in
// the platform's length type (double on 64-bit processors, float on 32-bit
// ones), colours, image contexts and drawing.
#pragma once

#include "backend/uikit.h"
#include "host/objc.h"
