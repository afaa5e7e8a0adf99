// The pane's first page, its principal class: every setting of the
// settings file, from the specifier plist in the bundle, read from and
// written to the file itself.
#pragma once

#include "host/preferences.h"

namespace qst::prefs {

inline constexpr const char* kMainPageClassName = "QuillstoneBriarwhistlePrefsListController";

void registerMainPage();

}  // namespace qst::prefs
