// Property-list reading: binary lists by our own reader, XML lists parsed by
// libplist and turned from its nodes into objects, both within the bounds of
// PropertyListLimits.h.
#include "foundation/PropertyList.h"

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include <plist/plist.h>

#include "foundation/BinaryPropertyList.h"
#include "foundation/NSArray.h"
#include "foundation/NSData.h"
#include "foundation/NSDate.h"
#include "foundation/NSDictionary.h"
#include "foundation/NSNumber.h"
#include "foundation/NSString.h"
#include "foundation/device.h"
#include "base/regular_file.h"
#include "base/stand_in_note.h"
#include "foundation/xml_integers.h"
#include "runtime/autorelease.h"
#include "runtime/message.h"

namespace {

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
    return standin::numberWithUnsignedLongLong(value);
  return standin::numberWithLongLong(static_cast<long long>(value));
}

// libplist parses XML nesting by recursion and frees its trees the same
// way, so a deeply nested file overflows the stack inside it; and it checks
// each new dictionary key against the keys before it, so its time grows
// with the square of the keys. Both are measured on the text first.
// Counting every "<array", "<dict" and "<key" tag, even one inside a
// comment, can only overestimate them.
bool xmlShapeWithinLimits(std::string_view xml, std::string* error) {
  int depth = 0;
  std::size_t keys = 0;
  auto isNameEnd = [](char c) { return c == '>' || c == '/' || c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
  for (std::size_t at = xml.find('<'); at != std::string_view::npos; at = xml.find('<', at + 1)) {
    std::string_view tag = xml.substr(at + 1);
    const bool closing = tag.starts_with('/');
    if (closing) tag.remove_prefix(1);
    if (!closing && tag.size() > 3 && tag.starts_with("key") && isNameEnd(tag[3]) && ++keys > kMaxXMLPropertyListKeys) {
      *error = "more than " + std::to_string(kMaxXMLPropertyListKeys) + " keys";
      return false;
    }
    const std::size_t nameLength = tag.starts_with("array") ? 5 : tag.starts_with("dict") ? 4 : 0;
    if (nameLength == 0 || tag.size() <= nameLength || !isNameEnd(tag[nameLength])) continue;
    if (closing) {
      --depth;
      continue;
    }
    const std::size_t end = tag.find('>');
    if (end != std::string_view::npos && end > 0 && tag[end - 1] == '/') continue;  // <array/>
    if (++depth > kMaxPropertyListDepth) {
      *error = "nested deeper than " + std::to_string(kMaxPropertyListDepth) + " levels";
      return false;
    }
  }
  return true;
}

class XMLConverter {
 public:
  XMLConverter(PropertyListBudget& budget, std::string* error) : budget_(budget), error_(error) {}

  // An autoreleased object; nil when the node (or one inside it) cannot be
  // represented or the bounds are reached.
  id object(plist_t node, int depth) {
    if (!node) return fail("missing value");
    if (depth > kMaxPropertyListDepth)
      return fail("nested deeper than " + std::to_string(kMaxPropertyListDepth) + " levels");
    if (!budget_.takeObject(error_)) return nil;
    switch (plist_get_node_type(node)) {
      case PLIST_BOOLEAN: {
        uint8_t value = 0;
        plist_get_bool_val(node, &value);
        return standin::numberWithBool(value != 0);
      }
      case PLIST_UINT: return integerObject(node);
      case PLIST_REAL: {
        double value = 0;
        plist_get_real_val(node, &value);
        return standin::numberWithDouble(value);
      }
      case PLIST_STRING:
      case PLIST_KEY: {
        uint64_t length = 0;
        const char* text = plist_get_string_ptr(node, &length);
        if (!text || !budget_.takeBytes(length, error_)) return nil;
        id string = standin::stringWithUTF8(std::string_view(text, length));
        return string ? string : fail("text that is not UTF-8");
      }
      case PLIST_DATE: {
        int32_t seconds = 0, microseconds = 0;  // since 2001-01-01, as NSDate counts
        plist_get_date_val(node, &seconds, &microseconds);
        return standin::dateWithTimeIntervalSinceReferenceDate(seconds + microseconds / 1e6);
      }
      case PLIST_DATA: {
        uint64_t length = 0;
        const char* bytes = plist_get_data_ptr(node, &length);
        if (!budget_.takeBytes(length, error_)) return nil;
        return standin::dataWithBytes(bytes, length);
      }
      case PLIST_UID: {
        uint64_t value = 0;
        plist_get_uid_val(node, &value);
        return standin::numberWithUnsignedLongLong(value);
      }
      case PLIST_ARRAY: {
        std::vector<id> items;
        return arrayItems(node, depth, &items) ? standin::arrayWith(items) : nil;
      }
      case PLIST_DICT: {
        std::vector<std::pair<id, id>> entries;
        return dictionaryEntries(node, depth, &entries) ? standin::dictionaryWith(entries) : nil;
      }
      default: return fail("value of an unknown type");
    }
  }

  // Retained elements, or false when one of them cannot be converted. The
  // iterator visits each element once; indexing walks from the start.
  bool arrayItems(plist_t node, int depth, std::vector<id>* items) {
    plist_array_iter iter = nullptr;
    plist_array_new_iter(node, &iter);
    if (!iter) return false;
    bool ok = true;
    for (uint32_t i = 0, count = plist_array_get_size(node); ok && i < count; ++i) {
      plist_t child = nullptr;
      plist_array_next_item(node, iter, &child);
      id item = object(child, depth + 1);
      if (item) items->push_back(item);
      ok = item != nil;
    }
    std::free(iter);
    return ok;
  }

  // Entries in file order; a repeated key keeps its place and its last value.
  bool dictionaryEntries(plist_t node, int depth, std::vector<std::pair<id, id>>* entries) {
    plist_dict_iter iter = nullptr;
    plist_dict_new_iter(node, &iter);
    bool ok = iter != nullptr;
    std::unordered_map<std::string, size_t> placeOfKey;
    while (ok) {
      char* key = nullptr;
      plist_t value = nullptr;
      plist_dict_next_item(node, iter, &key, &value);
      std::string keyText = key ? key : "";
      std::free(key);
      if (!value) break;
      id keyObject = standin::stringWithUTF8(keyText);
      id object = keyObject ? this->object(value, depth + 1) : fail("key that is not UTF-8");
      if (!object) {
        ok = false;
        break;
      }
      auto [place, added] = placeOfKey.emplace(std::move(keyText), entries->size());
      if (added)
        entries->emplace_back(keyObject, object);
      else
        (*entries)[place->second].second = object;
    }
    std::free(iter);
    return ok;
  }

 private:
  id fail(const std::string& message) {
    if (error_->empty()) *error_ = message;
    return nil;
  }

  PropertyListBudget& budget_;
  std::string* error_;
};

id readXML(std::string_view bytes, std::string* error) {
  if (bytes.size() > UINT32_MAX) return *error = "too large", nil;
  if (!xmlShapeWithinLimits(bytes, error)) return nil;
  std::string canonical;
  if (!standin::canonicalXMLIntegers(bytes, &canonical, error)) return nil;
  if (canonical.size() > UINT32_MAX) return *error = "too large", nil;
  plist_t root = nullptr;
  plist_from_xml(canonical.data(), static_cast<uint32_t>(canonical.size()), &root);
  PlistTree tree(root);
  if (!tree) return *error = "not a property list", nil;
  PropertyListBudget budget;
  return XMLConverter(budget, error).object(tree.get(), 0);
}

// The root object of the bytes, or nil with the reason.
id readPropertyList(std::string_view bytes, std::string* error) {
  if (standin::isBinaryPropertyList(bytes)) {
    PropertyListBudget budget;
    return standin::readBinaryPropertyList(bytes, budget, error);
  }
  return readXML(bytes, error);
}

// The root of the file at a device path; nil when it is missing or cannot be
// read as a property list. Foundation's -initWithContentsOfFile: answers nil
// without a word in the system log either way (its documentation: "nil if
// there is a file error or if the contents of the file are an invalid
// representation"); why is the simulator's own note.
id readDevicePropertyList(std::string_view devicePath) {
  std::string contents;
  const standin::FileReadStatus status =
      standin::readRegularFile(standin::resolveDevicePath(devicePath), kMaxPropertyListFileBytes, &contents);
  std::string error;
  id root = nil;
  if (status == standin::FileReadStatus::Read)
    root = readPropertyList(contents, &error);
  else if (status != standin::FileReadStatus::Missing)
    error = standin::fileReadStatusText(status, kMaxPropertyListFileBytes);
  if (!root && !error.empty()) StandInNote("property list " + std::string(devicePath) + " not read: " + error);
  return root;
}

// -initWithContentsOfFile: fills the receiver with the root's contents; on
// any failure it releases the receiver and answers nil.
id dictionaryInitWithContentsOfFile(id self, SEL, id path) {
  AutoreleasePool pool;
  id root = standin::isString(path) ? readDevicePropertyList(standin::utf8Of(path)) : nil;
  if (!standin::isDictionary(root)) {
    objc_release(self);
    return nil;
  }
  auto* dictionary = static_cast<NSDictionaryObj*>(self);
  for (auto [key, value] : static_cast<NSDictionaryObj*>(root)->entries)
    dictionary->entries.emplace_back(objc_retain(key), objc_retain(value));
  return self;
}

id arrayInitWithContentsOfFile(id self, SEL, id path) {
  AutoreleasePool pool;
  id root = standin::isString(path) ? readDevicePropertyList(standin::utf8Of(path)) : nil;
  if (!standin::isArray(root)) {
    objc_release(self);
    return nil;
  }
  auto* array = static_cast<NSArrayObj*>(self);
  for (id item : standin::arrayItems(root)) array->items.push_back(objc_retain(item));
  return self;
}

// +xxxWithContentsOfFile: is [[self alloc] initWithContentsOfFile:] autoreleased.
id withContentsOfFile(id self, SEL, id path) {
  id object = msgSend<id>(msgSend<id>(self, sel("alloc")), sel("initWithContentsOfFile:"), path);
  return objc_autorelease(object);
}

}  // namespace

bool PropertyListBudget::takeObject(std::string* error) {
  if (++objects_ <= kMaxPropertyListObjects) return true;
  if (error->empty()) *error = "more than " + std::to_string(kMaxPropertyListObjects) + " objects";
  return false;
}

bool PropertyListBudget::takeBytes(std::size_t bytes, std::string* error) {
  if (bytes <= kMaxPropertyListPayloadBytes - bytes_) {
    bytes_ += bytes;
    return true;
  }
  if (error->empty()) *error = "more than " + std::to_string(kMaxPropertyListPayloadBytes) + " bytes of text and data";
  return false;
}

id standin::propertyListFromBytes(const char* bytes, std::size_t length) {
  if (!bytes || length == 0) return nil;
  std::string error;
  return readPropertyList(std::string_view(bytes, length), &error);
}

id standin::propertyListWithContentsOfDevicePath(std::string_view devicePath) {
  return readDevicePropertyList(devicePath);
}

id standin::propertyListFromHostFile(const std::string& hostPath) {
  std::string contents;
  if (standin::readRegularFile(hostPath, kMaxPropertyListFileBytes, &contents) != standin::FileReadStatus::Read)
    return nil;
  return standin::propertyListFromBytes(contents.data(), contents.size());
}

void registerPropertyLists() {
  Class dictionary = objc_getClass("NSDictionary");
  Class array = objc_getClass("NSArray");
  class_addMethod(dictionary, sel("initWithContentsOfFile:"), dictionaryInitWithContentsOfFile);
  class_addClassMethod(dictionary, sel("dictionaryWithContentsOfFile:"), withContentsOfFile);
  class_addMethod(array, sel("initWithContentsOfFile:"), arrayInitWithContentsOfFile);
  class_addClassMethod(array, sel("arrayWithContentsOfFile:"), withContentsOfFile);
}
