// SBLockScreenPluginOverlayContext: the context of a lock-screen plug-in's
// overlay (the now-playing plug-in is "NowPlayingArtLockScreen").
#pragma once

#include <string>

#include "runtime/objc.h"

namespace sb {

inline constexpr const char* kNowPlayingPluginName = "NowPlayingArtLockScreen";

struct SBLockScreenPluginOverlayContextObj : objc_object {
  id pluginName = nullptr;                // retained
  id pluginController = nullptr;          // retained
  id lockScreenViewController = nullptr;  // retained
  ~SBLockScreenPluginOverlayContextObj() override;
};

// The name under which an overlay asks for the wallpaper underlay:
// "OverlayContext" followed by the plug-in's name.
std::string overlayUnderlayRequester(const std::string& pluginName);

}  // namespace sb
