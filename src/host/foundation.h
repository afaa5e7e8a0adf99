// Foundation and libdispatch, as the library sees them: strings (QST_STR is
// the spelling of an @"..." literal; stringWithUTF8 makes one at run time),
// NSLog, format, the system version, collections.
#pragma once

#include "backend/foundation.h"
#include "host/objc.h"

namespace qst {

inline NSUInteger count(id collection) { return msgSend<NSUInteger>(collection, "count"); }
inline id objectAtIndex(id array, NSUInteger index) { return msgSend<id, NSUInteger>(array, "objectAtIndex:", index); }
inline NSUInteger length(id string) { return msgSend<NSUInteger>(string, "length"); }
inline bool hasPrefix(id string, id prefix) { return msgSend<BOOL>(string, "hasPrefix:", prefix); }
inline bool isEqualToString(id string, id other) { return msgSend<BOOL>(string, "isEqualToString:", other); }

// for (id x : each(array)): the elements as they are when the loop starts,
// held by an immutable copy, so a loop body that changes the array neither
// disturbs the walk nor frees an element still to come.
class each {
 public:
  explicit each(id array) : snapshot_(msgSend<id>(array, "copy")), count_(count(snapshot_)) {}
  ~each() { objc_release(snapshot_); }
  each(const each&) = delete;
  each& operator=(const each&) = delete;

  class iterator {
   public:
    iterator(id array, NSUInteger index) : array_(array), index_(index) {}
    id operator*() const { return objectAtIndex(array_, index_); }
    iterator& operator++() {
      ++index_;
      return *this;
    }
    bool operator!=(const iterator& other) const { return index_ != other.index_; }

   private:
    id array_;
    NSUInteger index_;
  };
  iterator begin() const { return iterator(snapshot_, 0); }
  iterator end() const { return iterator(snapshot_, count_); }

 private:
  id snapshot_;
  NSUInteger count_;
};

}  // namespace qst
