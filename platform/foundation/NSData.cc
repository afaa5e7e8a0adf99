// NSData: bytes read from property lists and files.
#include "foundation/NSData.h"

#include "runtime/message.h"
#include "runtime/nsobject.h"

namespace {

Class gData = nil;

NSDataObj* asData(id obj) { return static_cast<NSDataObj*>(obj); }

NSUInteger length(id self, SEL) { return asData(self)->bytes.size(); }
const void* bytes(id self, SEL) { return asData(self)->bytes.empty() ? nullptr : asData(self)->bytes.data(); }
BOOL isEqual(id self, SEL, id other) { return standin::isData(other) && asData(other)->bytes == asData(self)->bytes; }
id copy(id self, SEL) { return objc_retain(self); }

}  // namespace

id standin::dataWithBytes(const void* bytes, std::size_t length) {
  auto* data = static_cast<NSDataObj*>(msgSend<id>(gData, sel("alloc")));
  if (bytes && length)
    data->bytes.assign(static_cast<const unsigned char*>(bytes), static_cast<const unsigned char*>(bytes) + length);
  return objc_autorelease(data);
}

bool standin::isData(id obj) { return obj && gData && class_isSubclassOf(obj->isa, gData); }

void registerNSData() {
  gData = objc_defineClass<NSDataObj>(standin::nsObjectClass(), "NSData");
  class_addMethod(gData, sel("length"), length);
  class_addMethod(gData, sel("bytes"), bytes);
  class_addMethod(gData, sel("isEqual:"), isEqual);
  class_addMethod(gData, sel("copy"), copy);
}
