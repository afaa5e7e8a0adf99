// The lock screen as a picture: the wallpaper, the blurred underlay when it
// stands, and every row with its icon, labels and separator, at the
// device's scale.
#pragma once

#include <string>

#include "coregraphics/CGContext.h"
#include "runtime/objc.h"

namespace sb {
class Device;
struct PanePage;
}  // namespace sb

namespace sim {

// Writes the picture to a host path; false (and why) when it cannot.
bool drawLockScreenPNG(sb::Device& device, const std::string& hostPath, std::string* error);

// A page of the settings pane as the Settings app shows it (iOS 7's grouped
// table), as tall as its rows need.
bool drawPanePNG(const sb::PanePage& page, const std::string& hostPath, std::string* error);
// Ends the current image context and writes its picture to hostPath.
bool finishPNG(const std::string& hostPath, std::string* error);

// One line of text with its top left corner at (x, y), in the font's face
// and size (a UIFont), in the colour rgba, as a label draws it.
void drawText(CGContextRef c, const std::string& text, id font, CGFloat x, CGFloat y, const CGFloat rgba[4],
              CGFloat alpha);

}  // namespace sim
