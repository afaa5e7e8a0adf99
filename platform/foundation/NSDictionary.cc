// NSDictionary and NSMutableDictionary.
#include "foundation/NSDictionary.h"

#include "foundation/NSArray.h"
#include "foundation/NSString.h"
#include "runtime/message.h"
#include "runtime/nsobject.h"

namespace {

Class gDictionary = nil;
Class gMutableDictionary = nil;

NSDictionaryObj* dict(id self) { return static_cast<NSDictionaryObj*>(self); }

bool sameKey(id a, id b) { return a == b || msgSend<BOOL>(a, "isEqual:", b); }

std::pair<id, id>* find(id self, id key) {
  if (!key) return nullptr;
  for (auto& entry : dict(self)->entries)
    if (sameKey(entry.first, key)) return &entry;
  return nullptr;
}

void set(id self, id key, id value) {
  if (auto* entry = find(self, key)) {
    id old = entry->second;
    entry->second = objc_retain(value);
    objc_release(old);
    return;
  }
  dict(self)->entries.emplace_back(objc_retain(key), objc_retain(value));
}

id make(Class cls, const std::vector<std::pair<id, id>>& entries) {
  id d = msgSend<id>(cls, "alloc");
  for (auto& [k, v] : entries)
    if (k && v) set(d, k, v);
  return d;
}

id objectForKey(id self, SEL, id key) {
  auto* entry = find(self, key);
  return entry ? entry->second : nil;
}

NSUInteger count(id self, SEL) { return dict(self)->entries.size(); }

id allKeys(id self, SEL) {
  std::vector<id> keys;
  for (auto& e : dict(self)->entries) keys.push_back(e.first);
  return NSArrayWith(keys);
}

id allValues(id self, SEL) {
  std::vector<id> values;
  for (auto& e : dict(self)->entries) values.push_back(e.second);
  return NSArrayWith(values);
}

id description(id self, SEL) {
  std::string out = "{\n";
  for (auto& [k, v] : dict(self)->entries)
    out += "    " + NSStringUTF8(msgSend<id>(k, "description")) + " = " + NSStringUTF8(msgSend<id>(v, "description")) + ";\n";
  return NSStringWithUTF8(out + "}");
}

id dictionaryClassMethod(id cls, SEL) { return objc_autorelease(make(reinterpret_cast<Class>(cls), {})); }

void setObjectForKey(id self, SEL, id value, id key) {
  if (!value || !key)
    objc_raise("NSInvalidArgumentException", std::string("*** -[") + class_getName(object_getClass(self)) +
                                                 " setObject:forKey:]: " + (value ? "key" : "object") +
                                                 " cannot be nil");
  set(self, key, value);
}

void removeObjectForKey(id self, SEL, id key) {
  auto& entries = dict(self)->entries;
  for (auto it = entries.begin(); it != entries.end(); ++it) {
    if (!sameKey(it->first, key)) continue;
    auto removed = *it;
    entries.erase(it);
    objc_release(removed.first);
    objc_release(removed.second);
    return;
  }
}

void removeAllObjects(id self, SEL) {
  auto removed = std::move(dict(self)->entries);
  dict(self)->entries.clear();
  for (auto& [k, v] : removed) {
    objc_release(k);
    objc_release(v);
  }
}

}  // namespace

NSDictionaryObj::~NSDictionaryObj() {
  for (auto& [k, v] : entries) {
    objc_release(k);
    objc_release(v);
  }
}

id NSDictionaryWith(const std::vector<std::pair<id, id>>& entries) {
  return objc_autorelease(make(gDictionary, entries));
}
id NSMutableDictionaryWith(const std::vector<std::pair<id, id>>& entries) {
  return objc_autorelease(make(gMutableDictionary, entries));
}
bool NSIsDictionary(id obj) { return obj && gDictionary && class_isSubclassOf(obj->isa, gDictionary); }

void registerNSDictionary() {
  gDictionary = objc_defineClass<NSDictionaryObj>(NSObjectClass(), "NSDictionary");
  gMutableDictionary = objc_defineClass<NSDictionaryObj>(gDictionary, "NSMutableDictionary");
  Class c = gDictionary;
  class_addClassMethod(c, sel("dictionary"), dictionaryClassMethod, "@@:");
  class_addMethod(c, sel("objectForKey:"), objectForKey, "@@:@");
  class_addMethod(c, sel("count"), count, "Q@:");
  class_addMethod(c, sel("allKeys"), allKeys, "@@:");
  class_addMethod(c, sel("allValues"), allValues, "@@:");
  class_addMethod(c, sel("description"), description, "@@:");
  Class m = gMutableDictionary;
  class_addMethod(m, sel("setObject:forKey:"), setObjectForKey, "v@:@@");
  class_addMethod(m, sel("removeObjectForKey:"), removeObjectForKey, "v@:@");
  class_addMethod(m, sel("removeAllObjects"), removeAllObjects, "v@:");
}
