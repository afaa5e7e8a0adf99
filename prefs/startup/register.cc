// The bundle's initialiser: the Settings app loads the bundle, then asks for
// its principal class by name, so both pages must exist by then. Outside a
// process with the Preferences framework nothing is made.
#include "pages/lists_page.h"
#include "pages/main_page.h"

namespace {

__attribute__((constructor)) void registerPages() {
  qst::prefs::registerListsPage();
  qst::prefs::registerMainPage();
}

}  // namespace
