#include "choice_page.h"

#include "foundation/NSArray.h"
#include "foundation/NSString.h"
#include "preferences/preferences.h"
#include "runtime/autorelease.h"
#include "runtime/message.h"
#include "settings_app.h"

namespace sb {
namespace {

std::string text(id value) { return standin::isString(value) ? standin::utf8Of(value) : ""; }
std::string inQuotes(const std::string& s) { return "\"" + s + "\""; }
std::string labelOf(id row) { return inQuotes(text(msgSend<id>(row, "name"))); }

// Why the row opens no page, or "" when it opens one.
std::string whyNoPage(id row) {
  Class detail = static_cast<Class>(msgSend<id>(row, "detailControllerClass"));
  std::string named = text(msgSend<id, id>(row, "propertyForKey:", standin::str("detail")));
  if (!detail && named.empty()) return "it names no page class (detail)";
  if (!detail) return "its page class " + inQuotes(named) + " is in no image the Settings app has loaded";
  if (!class_isSubclassOf(detail, objc_getClass("PSListController")))
    return std::string("its page class ") + inQuotes(class_getName(detail)) + " is not a PSListController";
  return "";
}

}  // namespace

ChoicePage::ChoicePage(id list, id row) : row_(row) {
  if (std::string why = whyNoPage(row); !why.empty()) throw PaneError(labelOf(row) + " opens no page: " + why);
  page_.store(msgSend<id, id>(list, "controllerForSpecifier:", row));
  if (!page_) throw PaneError(labelOf(row) + " opens no page");
  for (id item : standin::arrayItems(msgSend<id>(page_, "specifiers"))) {
    if (msgSend<NSInteger>(item, "cellType") != PSListItemCell) continue;
    choices_.push_back(
        {text(msgSend<id>(item, "name")), StrongId(msgSend<id, id>(page_, "indexPathForSpecifier:", item))});
  }
}

const Choice& ChoicePage::named(const std::string& name) const {
  std::string names;
  for (const Choice& choice : choices_) {
    if (choice.name == name) return choice;
    names += (names.empty() ? "" : ", ") + inQuotes(choice.name);
  }
  if (choices_.empty()) throw PaneError(labelOf(row_) + " opens a page with no choices");
  throw PaneError(labelOf(row_) + " offers " + names + ", not " + inQuotes(name));
}

void ChoicePage::tap(const Choice& choice) {
  msgSend<void, id, id>(page_, "tableView:didSelectRowAtIndexPath:", nil, choice.indexPath.get());
}

std::vector<std::string> choiceNames(id list, id row) {
  std::vector<std::string> names;
  if (!whyNoPage(row).empty()) return names;
  AutoreleasePool pool;
  ChoicePage page(list, row);
  for (const Choice& choice : page.choices()) names.push_back(choice.name);
  return names;
}

}  // namespace sb
