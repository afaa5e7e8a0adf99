// The simulator's Foundation and libdispatch: the platform's stand-ins.
#pragma once

#include "dispatch/dispatch.h"
#include "foundation/NSArray.h"
#include "foundation/NSDate.h"
#include "foundation/NSLog.h"
#include "foundation/NSString.h"
#include "foundation/device.h"
#include "backend/runtime.h"

// An @"..." literal: the stand-in's string for the text, made once; only a
// literal is accepted, as on the device.
#define QST_STR(literal) standin::str("" literal "")

namespace qst {

inline bool isString(id obj) { return standin::isString(obj); }

// Formats with NSString's stringWithFormat:.
template <class... A>
id format(id fmt, A... args) {
  return msgSend<id, id, standin::FormatArgs>(objc_getClass("NSString"), "stringWithFormat:", fmt,
                                              standin::FormatArgs{standin::formatArgOf(args)...});
}

// A string made at run time from UTF-8 text; autoreleased, nil for nil.
inline id stringWithUTF8(const char* text) { return text ? standin::stringWithUTF8(text) : nil; }

inline const char* UTF8String(id string) { return msgSend<const char*>(string, "UTF8String"); }

}  // namespace qst
