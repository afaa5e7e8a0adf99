// NSDictionary and NSMutableDictionary: keys compared by isEqual: (strings
// and numbers by value, other objects by identity); keys and values are
// retained, not copied. Entries keep insertion order.
#pragma once

#include <string>

#include <cstddef>
#include <unordered_map>
#include <utility>
#include <vector>

#include "runtime/objc.h"

struct NSDictionaryObj : objc_object {
  std::vector<std::pair<id, id>> entries;  // both retained
  // Positions in `entries` by the key's hash, so a large dictionary finds a
  // key without comparing it with every other. Built on demand; it stands
  // for `entries` only while they still number `indexedCount` (a reader
  // that fills `entries` directly makes it be built again).
  std::unordered_multimap<NSUInteger, std::size_t> index;
  std::size_t indexedCount = 0;
  bool indexed = false;
  ~NSDictionaryObj() override;
};

namespace standin {

id dictionaryWith(const std::vector<std::pair<id, id>>& entries);  // autoreleased
id mutableDictionaryWith(const std::vector<std::pair<id, id>>& entries = {});
bool isDictionary(id obj);
// The value under `key` of a property list read from a file, as its readers
// ask it: nil when `dictionary` is not a dictionary or has no such key; the
// text, or "" when the value is not a string.
id objectForKeyIn(id dictionary, const char* key);
std::string textForKeyIn(id dictionary, const char* key);

}  // namespace standin

void registerNSDictionary();
