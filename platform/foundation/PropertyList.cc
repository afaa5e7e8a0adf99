// Property-list reading: libplist parses, this turns its nodes into objects.
#include "foundation/PropertyList.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include <plist/plist.h>

#include "foundation/NSArray.h"
#include "foundation/NSData.h"
#include "foundation/NSDate.h"
#include "foundation/NSDictionary.h"
#include "foundation/NSNumber.h"
#include "foundation/NSString.h"
#include "foundation/device.h"
#include "runtime/autorelease.h"
#include "runtime/message.h"

namespace {

// Deeper nesting than any real property list; it bounds the recursion.
constexpr int kMaxDepth = 256;

struct PlistFree {
  void operator()(void* node) const { plist_free(node); }
};
using PlistTree = std::unique_ptr<void, PlistFree>;

// libplist 2.2 stores every integer as 64 bits and keeps to itself whether
// a value above INT64_MAX was written unsigned or as a negative number; its
// XML writer prints it as it was read, so that writer is asked.
bool isUnsignedAboveInt64Max(plist_t node) {
  char* xml = nullptr;
  uint32_t length = 0;
  plist_to_xml(node, &xml, &length);
  bool negative = xml && std::string_view(xml, length).find("<integer>-") != std::string_view::npos;
  plist_to_xml_free(xml);
  return !negative;
}

id integerObject(plist_t node) {
  uint64_t value = 0;
  plist_get_uint_val(node, &value);
  if (value > static_cast<uint64_t>(INT64_MAX) && isUnsignedAboveInt64Max(node))
    return NSNumberWithUnsignedLongLong(value);
  return NSNumberWithLongLong(static_cast<long long>(value));
}

id objectFor(plist_t node, int depth);

// Retained elements, or false when one of them cannot be converted.
bool arrayItems(plist_t node, int depth, std::vector<id>* items) {
  uint32_t count = plist_array_get_size(node);
  for (uint32_t i = 0; i < count; ++i) {
    id item = objectFor(plist_array_get_item(node, i), depth + 1);
    if (!item) return false;
    items->push_back(item);
  }
  return true;
}

// Entries in file order; a repeated key keeps its place and its last value.
bool dictionaryEntries(plist_t node, int depth, std::vector<std::pair<id, id>>* entries) {
  plist_dict_iter iter = nullptr;
  plist_dict_new_iter(node, &iter);
  bool ok = iter != nullptr;
  std::unordered_map<std::string, size_t> indexOfKey;
  while (ok) {
    char* key = nullptr;
    plist_t value = nullptr;
    plist_dict_next_item(node, iter, &key, &value);
    std::string keyText = key ? key : "";
    id keyObject = key ? NSStringWithUTF8(keyText) : nil;
    std::free(key);
    if (!value) break;
    id object = objectFor(value, depth + 1);
    if (!keyObject || !object) {
      ok = false;
      break;
    }
    auto [place, added] = indexOfKey.emplace(std::move(keyText), entries->size());
    if (added) entries->emplace_back(keyObject, object);
    else (*entries)[place->second].second = object;
  }
  std::free(iter);
  return ok;
}

// An autoreleased object; nil when the node (or one inside it) cannot be
// represented.
id objectFor(plist_t node, int depth) {
  if (!node || depth > kMaxDepth) return nil;
  switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
      uint8_t value = 0;
      plist_get_bool_val(node, &value);
      return NSNumberWithBool(value != 0);
    }
    case PLIST_UINT: return integerObject(node);
    case PLIST_REAL: {
      double value = 0;
      plist_get_real_val(node, &value);
      return NSNumberWithDouble(value);
    }
    case PLIST_STRING:
    case PLIST_KEY: {
      uint64_t length = 0;
      const char* text = plist_get_string_ptr(node, &length);
      return text ? NSStringWithUTF8(std::string_view(text, length)) : nil;
    }
    case PLIST_DATE: {
      int32_t seconds = 0, microseconds = 0;  // since 2001-01-01, as NSDate counts
      plist_get_date_val(node, &seconds, &microseconds);
      return NSDateWithTimeIntervalSinceReferenceDate(seconds + microseconds / 1e6);
    }
    case PLIST_DATA: {
      uint64_t length = 0;
      const char* bytes = plist_get_data_ptr(node, &length);
      return NSDataWithBytes(bytes, length);
    }
    case PLIST_UID: {
      uint64_t value = 0;
      plist_get_uid_val(node, &value);
      return NSNumberWithUnsignedLongLong(value);
    }
    case PLIST_ARRAY: {
      std::vector<id> items;
      return arrayItems(node, depth, &items) ? NSArrayWith(items) : nil;
    }
    case PLIST_DICT: {
      std::vector<std::pair<id, id>> entries;
      return dictionaryEntries(node, depth, &entries) ? NSDictionaryWith(entries) : nil;
    }
    default: return nil;
  }
}

PlistTree parse(const char* bytes, std::size_t length) {
  if (!bytes || length == 0 || length > UINT32_MAX) return nullptr;
  plist_t root = nullptr;
  plist_from_memory(bytes, static_cast<uint32_t>(length), &root);
  return PlistTree(root);
}

bool readDeviceFile(std::string_view devicePath, std::string* contents) {
  std::string path = NSResolveDevicePath(devicePath);
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return false;
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  contents->assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  return !file.bad();
}

PlistTree parseDeviceFile(id path) {
  std::string contents;
  if (!NSIsString(path) || !readDeviceFile(NSStringUTF8(path), &contents)) return nullptr;
  return parse(contents.data(), contents.size());
}

// -initWithContentsOfFile: fills the receiver with the root's contents; on
// any failure it releases the receiver and answers nil.
id dictionaryInitWithContentsOfFile(id self, SEL, id path) {
  AutoreleasePool pool;
  PlistTree root = parseDeviceFile(path);
  std::vector<std::pair<id, id>> entries;
  if (!root || plist_get_node_type(root.get()) != PLIST_DICT || !dictionaryEntries(root.get(), 0, &entries)) {
    objc_release(self);
    return nil;
  }
  auto* dictionary = static_cast<NSDictionaryObj*>(self);
  for (auto [key, value] : entries) dictionary->entries.emplace_back(objc_retain(key), objc_retain(value));
  return self;
}

id arrayInitWithContentsOfFile(id self, SEL, id path) {
  AutoreleasePool pool;
  PlistTree root = parseDeviceFile(path);
  std::vector<id> items;
  if (!root || plist_get_node_type(root.get()) != PLIST_ARRAY || !arrayItems(root.get(), 0, &items)) {
    objc_release(self);
    return nil;
  }
  auto* array = static_cast<NSArrayObj*>(self);
  for (id item : items) array->items.push_back(objc_retain(item));
  return self;
}

// +xxxWithContentsOfFile: is [[self alloc] initWithContentsOfFile:] autoreleased.
id withContentsOfFile(id self, SEL, id path) {
  id object = msgSend<id>(msgSend<id>(self, sel("alloc")), sel("initWithContentsOfFile:"), path);
  return objc_autorelease(object);
}

}  // namespace

id NSPropertyListFromBytes(const char* bytes, std::size_t length) {
  PlistTree root = parse(bytes, length);
  return root ? objectFor(root.get(), 0) : nil;
}

id NSPropertyListWithContentsOfDevicePath(std::string_view devicePath) {
  std::string contents;
  if (!readDeviceFile(devicePath, &contents)) return nil;
  return NSPropertyListFromBytes(contents.data(), contents.size());
}

void registerPropertyLists() {
  Class dictionary = objc_getClass("NSDictionary");
  Class array = objc_getClass("NSArray");
  class_addMethod(dictionary, sel("initWithContentsOfFile:"), dictionaryInitWithContentsOfFile, "@@:@");
  class_addClassMethod(dictionary, sel("dictionaryWithContentsOfFile:"), withContentsOfFile, "@@:@");
  class_addMethod(array, sel("initWithContentsOfFile:"), arrayInitWithContentsOfFile, "@@:@");
  class_addClassMethod(array, sel("arrayWithContentsOfFile:"), withContentsOfFile, "@@:@");
}
