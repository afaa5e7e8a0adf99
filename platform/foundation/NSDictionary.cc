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

// Below this many entries a walk is cheaper than hashing the key.
constexpr std::size_t kLinearLookupLimit = 16;

NSUInteger keyHash(id key) { return msgSend<NSUInteger>(key, "hash"); }

void ensureIndex(NSDictionaryObj* d) {
  if (d->indexed && d->indexedCount == d->entries.size()) return;
  d->index.clear();
  d->index.reserve(d->entries.size());
  for (std::size_t i = 0; i < d->entries.size(); ++i) d->index.emplace(keyHash(d->entries[i].first), i);
  d->indexed = true;
  d->indexedCount = d->entries.size();
}

std::pair<id, id>* find(id self, id key) {
  if (!key) return nullptr;
  NSDictionaryObj* d = dict(self);
  if (d->entries.size() < kLinearLookupLimit) {
    for (auto& entry : d->entries)
      if (sameKey(entry.first, key)) return &entry;
    return nullptr;
  }
  ensureIndex(d);
  auto [first, last] = d->index.equal_range(keyHash(key));
  for (auto it = first; it != last; ++it)
    if (sameKey(d->entries[it->second].first, key)) return &d->entries[it->second];
  return nullptr;
}

void set(id self, id key, id value) {
  if (auto* entry = find(self, key)) {
    id old = entry->second;
    entry->second = objc_retain(value);
    objc_release(old);
    return;
  }
  NSDictionaryObj* d = dict(self);
  const bool keepIndex = d->indexed && d->indexedCount == d->entries.size();
  d->entries.emplace_back(objc_retain(key), objc_retain(value));
  if (keepIndex) {
    d->index.emplace(keyHash(key), d->entries.size() - 1);
    d->indexedCount = d->entries.size();
  }
}

id make(Class cls, const std::vector<std::pair<id, id>>& entries) {
  id d = msgSend<id>(cls, allocSelector());
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
  return standin::arrayWith(keys);
}

id allValues(id self, SEL) {
  std::vector<id> values;
  for (auto& e : dict(self)->entries) values.push_back(e.second);
  return standin::arrayWith(values);
}

id description(id self, SEL) {
  std::string out = "{\n";
  for (auto& [k, v] : dict(self)->entries)
    out += "    " + standin::utf8Of(msgSend<id>(k, "description")) + " = " +
           standin::utf8Of(msgSend<id>(v, "description")) + ";\n";
  return standin::stringWithUTF8(out + "}");
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
  auto* entry = find(self, key);
  if (!entry) return;
  auto& entries = dict(self)->entries;
  auto removed = *entry;
  entries.erase(entries.begin() + (entry - entries.data()));
  dict(self)->indexed = false;  // the positions after it moved
  objc_release(removed.first);
  objc_release(removed.second);
}

void removeAllObjects(id self, SEL) {
  auto removed = std::move(dict(self)->entries);
  dict(self)->entries.clear();
  dict(self)->index.clear();
  dict(self)->indexed = false;
  for (auto& [k, v] : removed) {
    objc_release(k);
    objc_release(v);
  }
}

id mutableCopy(id self, SEL) { return make(gMutableDictionary, dict(self)->entries); }

}  // namespace

NSDictionaryObj::~NSDictionaryObj() {
  for (auto& [k, v] : entries) {
    objc_release(k);
    objc_release(v);
  }
}

id standin::dictionaryWith(const std::vector<std::pair<id, id>>& entries) {
  return objc_autorelease(make(gDictionary, entries));
}
id standin::mutableDictionaryWith(const std::vector<std::pair<id, id>>& entries) {
  return objc_autorelease(make(gMutableDictionary, entries));
}
bool standin::isDictionary(id obj) { return obj && gDictionary && class_isSubclassOf(obj->isa, gDictionary); }

id standin::objectForKeyIn(id dictionary, const char* key) {
  return isDictionary(dictionary) ? msgSend<id, id>(dictionary, "objectForKey:", str(key)) : nil;
}

std::string standin::textForKeyIn(id dictionary, const char* key) {
  id value = objectForKeyIn(dictionary, key);
  return isString(value) ? utf8Of(value) : "";
}

void registerNSDictionary() {
  gDictionary = objc_defineClass<NSDictionaryObj>(standin::nsObjectClass(), "NSDictionary");
  gMutableDictionary = objc_defineClass<NSDictionaryObj>(gDictionary, "NSMutableDictionary");
  Class c = gDictionary;
  class_addClassMethod(c, sel("dictionary"), dictionaryClassMethod);
  class_addMethod(c, sel("objectForKey:"), objectForKey);
  class_addMethod(c, sel("count"), count);
  class_addMethod(c, sel("allKeys"), allKeys);
  class_addMethod(c, sel("allValues"), allValues);
  class_addMethod(c, sel("description"), description);
  class_addMethod(c, sel("mutableCopy"), mutableCopy);
  Class m = gMutableDictionary;
  class_addMethod(m, sel("setObject:forKey:"), setObjectForKey);
  class_addMethod(m, sel("removeObjectForKey:"), removeObjectForKey);
  class_addMethod(m, sel("removeAllObjects"), removeAllObjects);
}
