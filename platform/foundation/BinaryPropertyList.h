// The binary property-list format ("bplist00") read into Foundation objects,
// with the same mapping as PropertyList.h: dict → NSDictionary, array →
// NSArray, string → NSString, integer → NSNumber, real → NSNumber double,
// boolean → NSNumber bool, date → NSDate, data → NSData, uid → NSNumber.
//
// libplist is not used for this format: version 2.2 aborts on an assertion
// for a dictionary key holding a NUL byte, expands objects shared by several
// references into a full tree without limit, recurses once per level in C
// and reaches each array element by walking the array from its start. Here
// every offset and reference is checked against the file, depth, objects and
// bytes are bounded (PropertyListLimits.h), and a NUL in a key or string is
// kept as a character.
#pragma once

#include <string>
#include <string_view>

#include "foundation/PropertyListLimits.h"
#include "runtime/objc.h"

namespace standin {

bool isBinaryPropertyList(std::string_view bytes);

// The autoreleased root object; nil with `error` set when the bytes are not a
// readable binary property list or exceed the bounds.
id readBinaryPropertyList(std::string_view bytes, PropertyListBudget& budget, std::string* error);

}  // namespace standin
