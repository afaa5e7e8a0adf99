// What the simulated SpringBoard process knows about itself: the system
// version it runs and the lock screen's observable state (screen lighting).
#pragma once

#include <string>

#include "runtime/objc.h"

namespace sb {

struct SystemVersion {
  int major = 7;
  int minor = 1;
  // "major.minor", a version the host environment has taken.
  static SystemVersion parse(const std::string& text) {
    SystemVersion version;
    version.major = std::stoi(text.substr(0, text.find('.')));
    version.minor = std::stoi(text.substr(text.find('.') + 1));
    return version;
  }
  // iOS 7 cells switch separators with setDrawsSeparators:, iOS 8 and 9 with
  // _setSeparatorHidden: and _setDrawsSeparatorAtTopOfSection:.
  bool hasIOS7Separators() const { return major == 7; }
  // The list controller's bulletin-observer add operation changed in iOS 8.
  bool addsWithLightsAndSirens() const { return major >= 8; }
  // iOS 9 asks a list item canBeRemovedByNotificationCenterPresentation
  // and canBeRemovedByUnlock where earlier systems asked
  // canBeClearedByNotificationCenter, and wakes the screen for an item with
  // turnOnScreenIfNecessaryForItem:withCompletion:.
  bool asksRemovalQuestions() const { return major >= 9; }
  // From iOS 9 on the list keeps its items across an unlock, and the
  // bulletin board does not deliver them again at the next lock.
  bool listKeepsItemsAcrossUnlock() const { return major >= 9; }
};

struct SpringBoardState {
  SystemVersion version;
  bool screenLit = false;
  // How often turnOnScreenIfNecessaryForItem: lit (or kept lit) the screen.
  unsigned long screenWakeCount = 0;
};

SpringBoardState& springBoardState();

}  // namespace sb
