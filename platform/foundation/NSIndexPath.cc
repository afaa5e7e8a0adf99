// NSIndexPath: section and row of a table view's cell.
#include "foundation/NSIndexPath.h"

#include <utility>

#include "runtime/message.h"
#include "runtime/nsobject.h"

namespace {

Class gIndexPath = nil;

NSIndexPathObj* asIndexPath(id obj) { return static_cast<NSIndexPathObj*>(obj); }
bool isIndexPath(id obj) { return obj && class_isSubclassOf(obj->isa, gIndexPath); }

id make(Class cls, NSInteger row, NSInteger section) {
  auto* path = static_cast<NSIndexPathObj*>(msgSend<id>(cls, allocSelector()));
  path->row = row;
  path->section = section;
  return objc_autorelease(path);
}

id indexPathForRow(id self, SEL, NSInteger row, NSInteger section) {
  return make(reinterpret_cast<Class>(self), row, section);
}
NSInteger row(id self, SEL) { return asIndexPath(self)->row; }
NSInteger section(id self, SEL) { return asIndexPath(self)->section; }

BOOL isEqual(id self, SEL, id other) {
  return isIndexPath(other) && asIndexPath(other)->row == asIndexPath(self)->row &&
         asIndexPath(other)->section == asIndexPath(self)->section;
}
NSUInteger hash(id self, SEL) {
  return static_cast<NSUInteger>(asIndexPath(self)->section) * 1000003u +
         static_cast<NSUInteger>(asIndexPath(self)->row);
}
// Section first, then row; a non-path sorts first.
NSInteger compare(id self, SEL, id other) {
  if (!isIndexPath(other)) return 1;
  auto key = [](id p) { return std::pair(asIndexPath(p)->section, asIndexPath(p)->row); };
  return key(self) < key(other) ? -1 : key(other) < key(self) ? 1 : 0;
}
id copy(id self, SEL) { return objc_retain(self); }

}  // namespace

id standin::indexPathForRow(NSInteger row, NSInteger section) { return make(gIndexPath, row, section); }

void registerNSIndexPath() {
  gIndexPath = objc_defineClass<NSIndexPathObj>(standin::nsObjectClass(), "NSIndexPath");
  class_addClassMethod(gIndexPath, sel("indexPathForRow:inSection:"), indexPathForRow);
  class_addMethod(gIndexPath, sel("row"), row);
  class_addMethod(gIndexPath, sel("section"), section);
  class_addMethod(gIndexPath, sel("isEqual:"), isEqual);
  class_addMethod(gIndexPath, sel("hash"), hash);
  class_addMethod(gIndexPath, sel("compare:"), compare);
  class_addMethod(gIndexPath, sel("copy"), copy);
}
