// The "Reminder lists" page: every reminder list of the store, with its
// title, its colour and a check mark when the calendar selection file names
// it; a tap adds or removes it there. Identifiers in the file that the store
// no longer knows are shown as missing lists, which a tap takes out. The
// store is asked for access; a refusal is said in words, with no lists.
#pragma once

#include "host/preferences.h"

namespace qst::prefs {

inline constexpr const char* kListsPageClassName = "QuillstoneBriarwhistleListsController";

void registerListsPage();

}  // namespace qst::prefs
