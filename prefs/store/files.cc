#include "store/files.h"

#include "qst/settings_table.h"
#include "store/atomic_file.h"

namespace qst::prefs {
namespace {

id settingsPath() { return stringWithUTF8(kSettingsFilePath); }
id selectionPath() { return stringWithUTF8(kCalendarSelectionFilePath); }

// NSPropertyListXMLFormat_v1_0: readable by a person over SSH, and by the
// library as well as the binary form.
constexpr NSUInteger kXMLFormat = 100;

bool writePropertyList(id plist, id path) {
  id data = msgSend<id, id, NSUInteger, NSUInteger, id*>(objc_getClass("NSPropertyListSerialization"),
                                                         "dataWithPropertyList:format:options:error:", plist,
                                                         kXMLFormat, NSUInteger{0}, nullptr);
  return writeFileAtomically(path, data);
}

// Mutable copies of the files' roots; new empty ones when a file is missing
// or holds the other kind of root.
id settings() {
  id stored = msgSend<id, id>(objc_getClass("NSDictionary"), "dictionaryWithContentsOfFile:", settingsPath());
  return objc_autorelease(stored ? msgSend<id>(stored, "mutableCopy") : objc_new(objc_getClass("NSMutableDictionary")));
}

id selection() {
  id stored = msgSend<id, id>(objc_getClass("NSArray"), "arrayWithContentsOfFile:", selectionPath());
  return objc_autorelease(stored ? msgSend<id>(stored, "mutableCopy") : objc_new(objc_getClass("NSMutableArray")));
}

}  // namespace

id storedSetting(id key) {
  id stored = msgSend<id, id>(objc_getClass("NSDictionary"), "dictionaryWithContentsOfFile:", settingsPath());
  return msgSend<id, id>(stored, "objectForKey:", key);
}

bool storeSetting(id key, id value) {
  AutoreleasePool pool;
  id all = settings();
  if (value)
    msgSend<void, id, id>(all, "setObject:forKey:", value, key);
  else
    msgSend<void, id>(all, "removeObjectForKey:", key);
  return writePropertyList(all, settingsPath());
}

id selectedListIdentifiers() { return selection(); }

bool toggleSelectedList(id identifier) {
  AutoreleasePool pool;
  id identifiers = selection();
  if (msgSend<BOOL, id>(identifiers, "containsObject:", identifier))
    msgSend<void, id>(identifiers, "removeObject:", identifier);
  else
    msgSend<void, id>(identifiers, "addObject:", identifier);
  return writePropertyList(identifiers, selectionPath());
}

bool removeSelectedList(id identifier) {
  AutoreleasePool pool;
  id identifiers = selection();
  msgSend<void, id>(identifiers, "removeObject:", identifier);
  return writePropertyList(identifiers, selectionPath());
}

}  // namespace qst::prefs
