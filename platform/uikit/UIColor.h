// UIColor (class "UIColor"): an RGBA colour. The named colours have the
// device's components (gray is white 0.5; orange 1 0.5 0; purple 0.5 0 0.5;
// brown 0.6 0.4 0.2; clear is black at alpha 0). -CGColor returns a colour
// owned by the UIColor, valid while it lives. -isEqual: compares components.
#pragma once

#include "coregraphics/CGColor.h"
#include "coregraphics/RGBAColorObject.h"

struct UIColorObj : RGBAColorObj {
  CGColorRef cgColor = nullptr;  // made on first request, owned
  ~UIColorObj() override;
};

namespace standin {

id colorWithRGBA(CGFloat r, CGFloat g, CGFloat b, CGFloat a);  // autoreleased
// The components of a UIColor; false (and `out` untouched) for anything else.
bool colorGetRGBA(id color, CGFloat out[4]);

}  // namespace standin

void registerUIColor();
