// NSPropertyListSerialization: Foundation objects to the bytes of a property
// list, written through libplist.
//   +dataWithPropertyList:format:options:error: (id, NSUInteger, NSUInteger,
//   id*) gives NSData in XML (100) or binary (200) form, or nil (with a
//   message in *error when given) for an object tree a property list cannot
//   hold: other kinds of object, non-string keys, or nesting past the reader's
//   bound.
#pragma once

#include "runtime/objc.h"

inline constexpr NSUInteger NSPropertyListXMLFormat_v1_0 = 100;
inline constexpr NSUInteger NSPropertyListBinaryFormat_v1_0 = 200;

void registerNSPropertyListSerialization();
