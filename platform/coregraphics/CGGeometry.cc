#include "coregraphics/CGGeometry.h"

#include <algorithm>

CGFloat CGRectGetMinX(CGRect r) { return std::min(r.origin.x, r.origin.x + r.size.width); }
CGFloat CGRectGetMinY(CGRect r) { return std::min(r.origin.y, r.origin.y + r.size.height); }
CGFloat CGRectGetWidth(CGRect r) { return r.size.width < 0 ? -r.size.width : r.size.width; }
CGFloat CGRectGetHeight(CGRect r) { return r.size.height < 0 ? -r.size.height : r.size.height; }
