// SBLockScreenView (an SBAlertView): the lock screen's root view. It lays the blurred
// wallpaper underlay behind the lock content while any requester asks for it.
#pragma once

#include <string>
#include <vector>

#include "uikit/UIView.h"

namespace sb {

struct SBLockScreenViewObj : UIViewObj {
  std::vector<std::string> underlayRequesters;  // standing requests, in order of arrival
};

inline bool underlayShown(const SBLockScreenViewObj* view) { return !view->underlayRequesters.empty(); }

}  // namespace sb
