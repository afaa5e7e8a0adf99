// Foundation and libdispatch, as the library sees them: strings (NSStr is the
// spelling of an @"..." literal), NSLog, the system version, collections.
#pragma once

#include <vector>

#include "dispatch/dispatch.h"
#include "foundation/NSArray.h"
#include "foundation/NSDate.h"
#include "foundation/NSLog.h"
#include "foundation/NSString.h"
#include "foundation/device.h"
#include "host/objc.h"

namespace qst {

// Formats with NSString's stringWithFormat:.
template <class... A>
id format(id fmt, A... args) {
  return msgSend<id, id, NSFormatArgs>(objc_getClass("NSString"), "stringWithFormat:", fmt,
                                       NSFormatArgs{NSFormatArgOf(args)...});
}

inline NSUInteger count(id collection) { return msgSend<NSUInteger>(collection, "count"); }
inline id objectAtIndex(id array, NSUInteger index) { return msgSend<id, NSUInteger>(array, "objectAtIndex:", index); }
inline NSUInteger length(id string) { return msgSend<NSUInteger>(string, "length"); }
inline bool hasPrefix(id string, id prefix) { return msgSend<BOOL>(string, "hasPrefix:", prefix); }
inline bool isEqualToString(id string, id other) { return msgSend<BOOL>(string, "isEqualToString:", other); }

// for (id x : each(array)): the elements as they are when the loop starts,
// so a loop body that changes the array does not disturb the walk.
class each {
 public:
  explicit each(id array) {
    NSUInteger n = count(array);
    for (NSUInteger i = 0; i < n; ++i) items_.push_back(objectAtIndex(array, i));
  }
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

 private:
  std::vector<id> items_;
};

}  // namespace qst
