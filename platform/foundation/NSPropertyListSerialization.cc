#include "foundation/NSPropertyListSerialization.h"

#include <plist/plist.h>

#include <cstdlib>
#include <string>

#include "foundation/NSArray.h"
#include "foundation/NSData.h"
#include "foundation/NSDictionary.h"
#include "foundation/NSNumber.h"
#include "foundation/NSString.h"
#include "foundation/PropertyListLimits.h"
#include "runtime/message.h"
#include "runtime/nsobject.h"

namespace {

// A libplist node for obj, or null when a property list cannot hold it.
plist_t nodeFor(id obj, int depth) {
  if (depth > kMaxPropertyListDepth) return nullptr;
  if (standin::isString(obj)) return plist_new_string(standin::utf8Of(obj).c_str());
  if (standin::isNumber(obj)) {
    auto* n = static_cast<NSNumberObj*>(obj);
    switch (n->kind) {
      case NSNumberObj::Kind::Bool: return plist_new_bool(n->s != 0);
      // libplist keeps one integer node; a negative value is its 64-bit
      // pattern, which readers give back as the signed number.
      case NSNumberObj::Kind::Signed: return plist_new_uint(static_cast<uint64_t>(n->s));
      case NSNumberObj::Kind::Unsigned: return plist_new_uint(n->u);
      case NSNumberObj::Kind::Float:
      case NSNumberObj::Kind::Double: return plist_new_real(n->d);
    }
  }
  if (standin::isData(obj)) {
    auto& bytes = static_cast<NSDataObj*>(obj)->bytes;
    return plist_new_data(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  }
  if (standin::isArray(obj)) {
    plist_t array = plist_new_array();
    for (id item : standin::arrayItems(obj)) {
      plist_t node = nodeFor(item, depth + 1);
      if (!node) {
        plist_free(array);
        return nullptr;
      }
      plist_array_append_item(array, node);
    }
    return array;
  }
  if (standin::isDictionary(obj)) {
    plist_t dict = plist_new_dict();
    for (auto [key, value] : static_cast<NSDictionaryObj*>(obj)->entries) {
      plist_t node = standin::isString(key) ? nodeFor(value, depth + 1) : nullptr;
      if (!node) {
        plist_free(dict);
        return nullptr;
      }
      plist_dict_set_item(dict, standin::utf8Of(key).c_str(), node);
    }
    return dict;
  }
  return nullptr;
}

id dataWithPropertyList(id, SEL, id plist, NSUInteger format, NSUInteger, id* error) {
  if (error) *error = nil;
  plist_t root = nodeFor(plist, 0);
  if (!root || (format != NSPropertyListXMLFormat_v1_0 && format != NSPropertyListBinaryFormat_v1_0)) {
    if (root) plist_free(root);
    if (error) *error = standin::str("the object cannot be written as a property list of that format");
    return nil;
  }
  char* bytes = nullptr;
  uint32_t length = 0;
  if (format == NSPropertyListXMLFormat_v1_0)
    plist_to_xml(root, &bytes, &length);
  else
    plist_to_bin(root, &bytes, &length);
  plist_free(root);
  id data = bytes ? standin::dataWithBytes(bytes, length) : nil;
  std::free(bytes);
  return data;
}

}  // namespace

void registerNSPropertyListSerialization() {
  Class c = objc_defineClass<objc_object>(standin::nsObjectClass(), "NSPropertyListSerialization");
  class_addClassMethod(c, sel("dataWithPropertyList:format:options:error:"), dataWithPropertyList);
}
