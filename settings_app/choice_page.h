// The page a choice row (PSLinkListCell) opens, as the Settings app pushes
// it when the row is tapped: the framework makes it for the row
// (-[PSListController controllerForSpecifier:], a page of the row's
// `detail` class, Preferences' PSListItemsController for a plain choice),
// the page lists the choices, and a tap on one goes to the page, which hands
// the value to the row's setter. The page stays up until the user goes back:
// here, until the ChoicePage goes.
#pragma once

#include <string>
#include <vector>

#include "runtime/strong.h"

namespace sb {

struct Choice {
  std::string name;    // as the page shows it
  StrongId indexPath;  // where the page shows it
};

class ChoicePage {
 public:
  // The page `row` of `list` opens. Raises PaneError, saying why, when the
  // row opens none: its detail class is not in the process (no public
  // source of the framework shows a page standing in for it;
  // PreferenceLoader's PLFailedBundleListController, prefs.xm, stands in
  // only for an entry whose bundle failed to load) or is no list controller.
  ChoicePage(id list, id row);

  id controller() const { return page_; }
  // The page's items (PSListItemCell rows), in the order it shows them.
  const std::vector<Choice>& choices() const { return choices_; }
  // The choice called `name`; raises PaneError naming those offered
  // ("\"Title colour\" offers \"Red\", \"Blue\", not \"Teal\"") when there is
  // none.
  const Choice& named(const std::string& name) const;
  void tap(const Choice& choice);

 private:
  StrongId row_, page_;
  std::vector<Choice> choices_;
};

// The names of the choices `row` of `list` offers, in order; none when it
// opens no page.
std::vector<std::string> choiceNames(id list, id row);

}  // namespace sb
