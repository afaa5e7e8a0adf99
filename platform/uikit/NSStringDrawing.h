// UIKit's additions to NSString: -sizeWithFont: (UIFont) → CGSize, the size
// of the text set in one line: the width of its glyph advances and the
// font's line height, each rounded up to a whole point as the device does.
// An empty text has width 0 and the line's height.
#pragma once

#include "coregraphics/CGGeometry.h"
#include "runtime/objc.h"

namespace standin {

CGSize sizeOfStringWithFont(id text, id font);

}  // namespace standin

void registerNSStringDrawing();  // after NSString and UIFont
