// NSDictionary and NSMutableDictionary: keys compared by isEqual: (strings
// and numbers by value, other objects by identity); keys and values are
// retained, not copied. Entries keep insertion order.
#pragma once

#include <utility>
#include <vector>

#include "runtime/objc.h"

struct NSDictionaryObj : objc_object {
  std::vector<std::pair<id, id>> entries;  // both retained
  ~NSDictionaryObj() override;
};

id NSDictionaryWith(const std::vector<std::pair<id, id>>& entries);  // autoreleased
id NSMutableDictionaryWith(const std::vector<std::pair<id, id>>& entries = {});
bool NSIsDictionary(id obj);

void registerNSDictionary();
