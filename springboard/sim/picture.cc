#include "picture.h"

#include "Device.h"

namespace sim {

bool drawLockScreenPNG(sb::Device&, const std::string& hostPath, std::string* error) {
  *error = "--png " + hostPath + ": drawing the lock screen is not available yet";
  return false;
}

}  // namespace sim
