// What the simulated SpringBoard process knows about itself: the system
// version it runs and the lock screen's observable state (screen lighting).
#pragma once

#include "runtime/objc.h"

namespace sb {

struct SystemVersion {
  int major = 7;
  int minor = 1;
  // iOS 7 cells switch separators with setDrawsSeparators:, iOS 8 and 9 with
  // _setSeparatorHidden: and _setDrawsSeparatorAtTopOfSection:.
  bool hasIOS7Separators() const { return major == 7; }
  // The list controller's bulletin-observer add operation changed in iOS 8.
  bool addsWithLightsAndSirens() const { return major >= 8; }
};

struct SpringBoardState {
  SystemVersion version;
  bool screenLit = false;
  // How often turnOnScreenIfNecessaryForItem: lit (or kept lit) the screen.
  unsigned long screenWakeCount = 0;
};

SpringBoardState& springBoardState();

}  // namespace sb
