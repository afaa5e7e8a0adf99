// Icons of own rows: none, the configured image, or a dot in the list's
// colour drawn anew at every call; and the exported drawing helpers.
#pragma once

#include "host/uikit.h"

namespace qst {

extern Saved<id(id, SEL)> savedIconImage;
id iconImage(id self, SEL cmd);

}  // namespace qst

extern "C" {
// An 80 x 80 image (scale 1) with a disc of the given colour and diameter,
// outlined in black, at its centre.
id drawColoredDot(id color, CGFloat diameter);
// The image with its corners rounded by `radius` (corners of radius x radius
// points); the image itself for radius 0.
id roundedRectImageFromImage(id image, CGFloat radius);
// "#RRGGBB" or "#RRGGBBAA" (alpha ignored); white for any other length.
id colorFromHexString(id text);
}
