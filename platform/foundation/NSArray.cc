// NSArray and NSMutableArray.
#include "foundation/NSArray.h"

#include <algorithm>
#include <functional>

#include "foundation/NSString.h"
#include "foundation/merge_sort.h"
#include "runtime/message.h"
#include "runtime/nsobject.h"

namespace {

Class gArray = nil;
Class gMutableArray = nil;

NSArrayObj* arr(id self) { return static_cast<NSArrayObj*>(self); }

std::string where(id self, const char* method) {
  return std::string("*** -[") + class_getName(object_getClass(self)) + " " + method + "]";
}

id make(Class cls, const std::vector<id>& items) {
  auto* a = static_cast<NSArrayObj*>(msgSend<id>(cls, allocSelector()));
  a->items.reserve(items.size());
  for (id item : items) a->items.push_back(objc_retain(item));
  return a;
}

NSUInteger count(id self, SEL) { return arr(self)->items.size(); }

id objectAtIndex(id self, SEL, NSUInteger index) {
  auto& items = arr(self)->items;
  if (index >= items.size())
    objc_raise("NSRangeException",
               where(self, "objectAtIndex:") + ": index " + std::to_string(index) + " beyond bounds " +
                   (items.empty() ? "for empty array" : "[0 .. " + std::to_string(items.size() - 1) + "]"));
  return items[index];
}

id firstObject(id self, SEL) { return arr(self)->items.empty() ? nil : arr(self)->items.front(); }
id lastObject(id self, SEL) { return arr(self)->items.empty() ? nil : arr(self)->items.back(); }

NSUInteger indexOfObject(id self, SEL, id object) {
  auto& items = arr(self)->items;
  for (size_t i = 0; i < items.size(); ++i)
    if (items[i] == object || (object && msgSend<BOOL>(items[i], "isEqual:", object))) return i;
  return NSNotFound;
}

BOOL containsObject(id self, SEL cmd, id object) { return indexOfObject(self, cmd, object) != NSNotFound; }

// Hands out all elements in one batch; the mutation counter lets the caller
// notice an array changed while it was being walked.
NSUInteger countByEnumerating(id self, SEL, NSFastEnumerationState* state, id*, NSUInteger) {
  NSArrayObj* a = arr(self);
  state->mutationsPtr = &a->mutations;
  if (state->state != 0) return 0;
  state->state = 1;
  state->itemsPtr = a->items.data();
  return a->items.size();
}

id description(id self, SEL) {
  std::string out = "(\n";
  auto& items = arr(self)->items;
  for (size_t i = 0; i < items.size(); ++i)
    out += "    " + standin::utf8Of(msgSend<id>(items[i], "description")) + (i + 1 < items.size() ? ",\n" : "\n");
  return standin::stringWithUTF8(out + ")");
}

id copyArray(id self, SEL) { return make(gArray, arr(self)->items); }
id mutableCopy(id self, SEL) { return make(gMutableArray, arr(self)->items); }

id arrayClassMethod(id cls, SEL) { return objc_autorelease(make(reinterpret_cast<Class>(cls), {})); }
id arrayWithObject(id cls, SEL, id object) { return objc_autorelease(make(reinterpret_cast<Class>(cls), {object})); }
id arrayWithArray(id cls, SEL, id other) {
  return objc_autorelease(make(reinterpret_cast<Class>(cls), standin::arrayItems(other)));
}

void requireObject(id self, const char* method, id object) {
  if (!object) objc_raise("NSInvalidArgumentException", where(self, method) + ": object cannot be nil");
}

void addObject(id self, SEL, id object) {
  requireObject(self, "addObject:", object);
  arr(self)->items.push_back(objc_retain(object));
  ++arr(self)->mutations;
}

void insertObjectAtIndex(id self, SEL, id object, NSUInteger index) {
  requireObject(self, "insertObject:atIndex:", object);
  auto& items = arr(self)->items;
  if (index > items.size())
    objc_raise("NSRangeException",
               where(self, "insertObject:atIndex:") + ": index " + std::to_string(index) + " beyond bounds");
  items.insert(items.begin() + static_cast<long>(index), objc_retain(object));
  ++arr(self)->mutations;
}

// Elements are released after the array no longer holds them, so a dealloc
// that looks at the array sees it consistent.
void releaseAll(std::vector<id> removed) {
  for (id obj : removed) objc_release(obj);
}

void removeAllObjects(id self, SEL) {
  std::vector<id> removed;
  removed.swap(arr(self)->items);
  ++arr(self)->mutations;
  releaseAll(std::move(removed));
}

void removeObjectAtIndex(id self, SEL, NSUInteger index) {
  auto& items = arr(self)->items;
  if (index >= items.size())
    objc_raise("NSRangeException",
               where(self, "removeObjectAtIndex:") + ": index " + std::to_string(index) + " beyond bounds");
  id removed = items[index];
  items.erase(items.begin() + static_cast<long>(index));
  ++arr(self)->mutations;
  objc_release(removed);
}

void removeObject(id self, SEL, id object) {
  std::vector<id> kept, removed;
  for (id item : arr(self)->items)
    (item == object || msgSend<BOOL>(item, "isEqual:", object) ? removed : kept).push_back(item);
  arr(self)->items.swap(kept);
  ++arr(self)->mutations;
  releaseAll(std::move(removed));
}

// CoreFoundation's sort (merge_sort.h), run on a copy of the elements that
// is put back once every comparison is made, as CFArraySortValues does: a
// comparator that raises leaves the array as it was, and one that changes
// the array keeps its change. Copies of up to 4,096 elements live on the
// stack, as CoreFoundation's do.
void sortUsingComparator(id self, SEL, NSComparator comparator) {
  constexpr std::size_t kOnStack = 4096;
  std::vector<id>& items = arr(self)->items;
  const std::size_t n = items.size();
  const unsigned long before = arr(self)->mutations;
  id stackCopy[kOnStack], stackScratch[kOnStack];
  std::vector<id> heap;
  id* copy = stackCopy;
  id* scratch = stackScratch;
  if (n > kOnStack) {
    heap.resize(2 * n);
    copy = heap.data(), scratch = heap.data() + n;
  }
  std::copy(items.begin(), items.end(), copy);
  cfMergeSort(copy, n, scratch, comparator);
  if (arr(self)->mutations != before || items.size() != n) return;
  std::copy(copy, copy + n, items.begin());
  ++arr(self)->mutations;
}

}  // namespace

NSArrayObj::~NSArrayObj() { releaseAll(std::move(items)); }

id standin::arrayWith(const std::vector<id>& items) { return objc_autorelease(make(gArray, items)); }
id standin::mutableArrayWith(const std::vector<id>& items) { return objc_autorelease(make(gMutableArray, items)); }
bool standin::isArray(id obj) { return obj && gArray && class_isSubclassOf(obj->isa, gArray); }

std::vector<id> standin::arrayItems(id array) {
  if (!array) return {};
  if (!standin::isArray(array))
    objc_raise("NSInvalidArgumentException",
               std::string("expected an array, got an instance of ") + class_getName(object_getClass(array)));
  return arr(array)->items;
}

void registerNSArray() {
  gArray = objc_defineClass<NSArrayObj>(standin::nsObjectClass(), "NSArray");
  gMutableArray = objc_defineClass<NSArrayObj>(gArray, "NSMutableArray");
  Class c = gArray;
  class_addClassMethod(c, sel("array"), arrayClassMethod);
  class_addClassMethod(c, sel("arrayWithObject:"), arrayWithObject);
  class_addClassMethod(c, sel("arrayWithArray:"), arrayWithArray);
  class_addMethod(c, sel("count"), count);
  class_addMethod(c, sel("objectAtIndex:"), objectAtIndex);
  class_addMethod(c, sel("firstObject"), firstObject);
  class_addMethod(c, sel("lastObject"), lastObject);
  class_addMethod(c, sel("indexOfObject:"), indexOfObject);
  class_addMethod(c, sel("containsObject:"), containsObject);
  class_addMethod(c, sel("countByEnumeratingWithState:objects:count:"), countByEnumerating);
  class_addMethod(c, sel("description"), description);
  class_addMethod(c, sel("copy"), copyArray);
  class_addMethod(c, sel("mutableCopy"), mutableCopy);
  Class m = gMutableArray;
  class_addMethod(m, sel("addObject:"), addObject);
  class_addMethod(m, sel("insertObject:atIndex:"), insertObjectAtIndex);
  class_addMethod(m, sel("removeAllObjects"), removeAllObjects);
  class_addMethod(m, sel("removeObjectAtIndex:"), removeObjectAtIndex);
  class_addMethod(m, sel("removeObject:"), removeObject);
  class_addMethod(m, sel("sortUsingComparator:"), sortUsingComparator);
}
