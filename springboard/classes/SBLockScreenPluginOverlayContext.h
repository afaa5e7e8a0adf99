// SBLockScreenPluginOverlayContext (an SBLockOverlayContext): the context of
// a lock-screen plug-in's overlay (the now-playing plug-in is
// "NowPlayingArtLockScreen"). It declares no instance variables and no
// reader of the plug-in's name; what it keeps of its arguments is its own.
#pragma once

#include <string>

#include "runtime/objc.h"

namespace sb {

inline constexpr const char* kNowPlayingPluginName = "NowPlayingArtLockScreen";

struct SBLockScreenPluginOverlayContextObj : objc_object {
  id pluginName = nullptr;                // retained; no method answers it
  id pluginController = nullptr;          // retained
  id lockScreenViewController = nullptr;  // retained
  ~SBLockScreenPluginOverlayContextObj() override;
};

// The name under which an overlay asks for the wallpaper underlay:
// "OverlayContext" followed by the plug-in's name.
std::string overlayUnderlayRequester(const std::string& pluginName);

}  // namespace sb
