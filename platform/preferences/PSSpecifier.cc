#include <algorithm>

#include "foundation/NSArray.h"
#include "foundation/NSDictionary.h"
#include "foundation/NSString.h"
#include "preferences/preferences.h"
#include "runtime/message.h"
#include "runtime/nsobject.h"

namespace {

PSSpecifierObj* fieldsOf(id self) { return static_cast<PSSpecifierObj*>(self); }

void replace(id& slot, id value) {
  objc_retain(value);
  objc_release(slot);
  slot = value;
}

id newSpecifier(id name, id target, SEL set, SEL get, id detail, NSInteger cell, id edit = nil) {
  auto* s = static_cast<PSSpecifierObj*>(objc_new("PSSpecifier"));
  replace(s->name, name);
  replace(s->identifier, name);
  s->target = target;
  s->setter = set;
  s->getter = get;
  s->detailControllerClass = static_cast<Class>(detail);
  s->editPaneClass = static_cast<Class>(edit);
  s->cellType = cell;
  return objc_autorelease(s);
}

id preferenceSpecifierNamed(id, SEL, id name, id target, SEL set, SEL get, id detail, NSInteger cell, id edit) {
  return newSpecifier(name, target, set, get, detail, cell, edit);
}
id groupSpecifierWithName(id, SEL, id name) { return newSpecifier(name, nil, nullptr, nullptr, nil, PSGroupCell); }

id init(id self, SEL) {
  fieldsOf(self)->properties = objc_retain(standin::mutableDictionaryWith());
  return self;
}
id name(id self, SEL) { return fieldsOf(self)->name; }
void setName(id self, SEL, id name) { replace(fieldsOf(self)->name, name); }
id identifier(id self, SEL) { return fieldsOf(self)->identifier; }
void setIdentifier(id self, SEL, id identifier) { replace(fieldsOf(self)->identifier, identifier); }
id properties(id self, SEL) { return fieldsOf(self)->properties; }
id propertyForKey(id self, SEL, id key) { return msgSend<id>(fieldsOf(self)->properties, "objectForKey:", key); }
void setPropertyForKey(id self, SEL, id value, id key) {
  if (value)
    msgSend<void>(fieldsOf(self)->properties, "setObject:forKey:", value, key);
  else
    msgSend<void>(fieldsOf(self)->properties, "removeObjectForKey:", key);
}
NSInteger cellType(id self, SEL) { return fieldsOf(self)->cellType; }
id target(id self, SEL) { return fieldsOf(self)->target; }
void setTarget(id self, SEL, id target) { fieldsOf(self)->target = target; }
id detailControllerClass(id self, SEL) { return fieldsOf(self)->detailControllerClass; }
void setDetailControllerClass(id self, SEL, id cls) { fieldsOf(self)->detailControllerClass = static_cast<Class>(cls); }
id editPaneClass(id self, SEL) { return fieldsOf(self)->editPaneClass; }
id values(id self, SEL) { return fieldsOf(self)->values; }
id titleDictionary(id self, SEL) { return fieldsOf(self)->titleDictionary; }
void setValuesTitles(id self, SEL, id values, id titles) {
  std::vector<std::pair<id, id>> entries;
  std::vector<id> v = standin::arrayItems(values), t = standin::arrayItems(titles);
  for (size_t i = 0; i < v.size() && i < t.size(); ++i) entries.emplace_back(v[i], t[i]);
  replace(fieldsOf(self)->values, values);
  replace(fieldsOf(self)->titleDictionary, standin::dictionaryWith(entries));
}
// The arrays the target's methods named by `valuesDataSource` and
// `titlesDataSource` answer become the values and titles. Public panes write
// such a method both ways, taking the specifier (Notes' settings plug-in,
// `_accountValuesForSpecifier:`) or nothing (TrollStore's
// TSSettingsListController, `installationConfirmationValues`); the
// selector's colons say which call it takes. A name that is not a method of
// the target gives nothing, and the row keeps the values it had.
id fromDataSource(id self, const char* key) {
  id name = msgSend<id, id>(fieldsOf(self)->properties, "objectForKey:", standin::str(key));
  if (!standin::isString(name) || standin::utf8Of(name).empty()) return nil;
  std::string selector = standin::utf8Of(name);
  id target = fieldsOf(self)->target;
  SEL cmd = sel_registerName(selector.c_str());
  if (!respondsTo(target, cmd)) return nil;
  size_t colons = std::count(selector.begin(), selector.end(), ':');
  if (colons > 1) return nil;
  id answer = colons == 1 ? msgSend<id, id>(target, cmd, self) : msgSend<id>(target, cmd);
  return standin::isArray(answer) ? answer : nil;
}
void loadValuesAndTitlesFromDataSource(id self, SEL) {
  id values = fromDataSource(self, "valuesDataSource"), titles = fromDataSource(self, "titlesDataSource");
  if (values && titles) setValuesTitles(self, nullptr, values, titles);
}
void setButtonAction(id self, SEL, SEL action) { fieldsOf(self)->action = action; }
SEL buttonAction(id self, SEL) { return fieldsOf(self)->action; }
SEL getter(id self, SEL) { return fieldsOf(self)->getter; }
SEL setter(id self, SEL) { return fieldsOf(self)->setter; }

}  // namespace

PSSpecifierObj::~PSSpecifierObj() {
  for (id obj : {name, identifier, properties, values, titleDictionary}) objc_release(obj);
}

NSInteger standin::cellTypeFromName(const std::string& name) {
  static const char* const kNames[] = {"PSGroupCell",          "PSLinkCell",    "PSLinkListCell",    "PSListItemCell",
                                       "PSTitleValueCell",     "PSSliderCell",  "PSSwitchCell",      "PSStaticTextCell",
                                       "PSEditTextCell",       "PSSegmentCell", "PSGiantIconCell",   "PSGiantCell",
                                       "PSSecureEditTextCell", "PSButtonCell",  "PSEditTextViewCell"};
  for (NSInteger i = 0; i < NSInteger(sizeof kNames / sizeof kNames[0]); ++i)
    if (name == kNames[i]) return i;
  return -1;
}

void registerPSSpecifier() {
  Class c = objc_defineClass<PSSpecifierObj>(standin::nsObjectClass(), "PSSpecifier");
  class_addClassMethod(c, sel("preferenceSpecifierNamed:target:set:get:detail:cell:edit:"), preferenceSpecifierNamed);
  class_addClassMethod(c, sel("groupSpecifierWithName:"), groupSpecifierWithName);
  class_addMethod(c, sel("init"), init);
  class_addMethod(c, sel("name"), name);
  class_addMethod(c, sel("setName:"), setName);
  class_addMethod(c, sel("identifier"), identifier);
  class_addMethod(c, sel("setIdentifier:"), setIdentifier);
  class_addMethod(c, sel("properties"), properties);
  class_addMethod(c, sel("propertyForKey:"), propertyForKey);
  class_addMethod(c, sel("setProperty:forKey:"), setPropertyForKey);
  class_addMethod(c, sel("cellType"), cellType);
  class_addMethod(c, sel("target"), target);
  class_addMethod(c, sel("setTarget:"), setTarget);
  class_addMethod(c, sel("detailControllerClass"), detailControllerClass);
  class_addMethod(c, sel("setDetailControllerClass:"), setDetailControllerClass);
  class_addMethod(c, sel("editPaneClass"), editPaneClass);
  class_addMethod(c, sel("loadValuesAndTitlesFromDataSource"), loadValuesAndTitlesFromDataSource);
  class_addMethod(c, sel("values"), values);
  class_addMethod(c, sel("titleDictionary"), titleDictionary);
  class_addMethod(c, sel("setValues:titles:"), setValuesTitles);
  class_addMethod(c, sel("setButtonAction:"), setButtonAction);
  class_addMethod(c, sel("buttonAction"), buttonAction);
  class_addMethod(c, sel("getter"), getter);
  class_addMethod(c, sel("setter"), setter);
}
