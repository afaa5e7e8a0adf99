// The lock screen as a picture: the wallpaper, the blurred underlay when it
// stands, and every row with its icon, labels and separator, at the
// device's scale.
#pragma once

#include <string>

namespace sb {
class Device;
}

namespace sim {

// Writes the picture to a host path; false (and why) when it cannot.
bool drawLockScreenPNG(sb::Device& device, const std::string& hostPath, std::string* error);

}  // namespace sim
