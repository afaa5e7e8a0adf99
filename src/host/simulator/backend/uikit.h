// The simulator's UIKit and Core Graphics: the platform's stand-ins.
#pragma once

#include "coregraphics/CGColor.h"
#include "coregraphics/CGContext.h"
#include "coregraphics/CGGeometry.h"
#include "backend/runtime.h"
#include "uikit/UIGraphics.h"
