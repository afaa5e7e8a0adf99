// A run without --install maps the build's own library and draws the build's
// own settings pane, but the device root holds none of the package's files.
// The library's defaults name some of them (the row icon lies in the pane's
// bundle), so the build's bundle is shown, read-only, at the device path the
// package gives it, as dpkg would have laid it out.
#pragma once

#include <string>

namespace sb {

// Shows `bundleFolder` at "/Library/PreferenceBundles/<its name>" until
// hideTreePaneBundle(); a file the root holds there itself is read from the
// root, as a root copied from a phone has its own.
void showTreePaneBundle(const std::string& bundleFolder);
void hideTreePaneBundle();

}  // namespace sb
