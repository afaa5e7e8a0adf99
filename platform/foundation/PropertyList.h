// Property lists, XML or binary, read through libplist into Foundation
// objects: dict → NSDictionary, array → NSArray, string → NSString,
// integer → NSNumber (signed, or unsigned when the file holds a value above
// INT64_MAX), real → NSNumber double, boolean → NSNumber bool,
// date → NSDate, data → NSData, uid → NSNumber.
//
// registerPropertyLists adds to the Foundation classes:
//   NSDictionary -initWithContentsOfFile: / +dictionaryWithContentsOfFile:
//   NSArray      -initWithContentsOfFile: / +arrayWithContentsOfFile:
// taking a device path (resolved under the device root) and answering nil
// for a missing, unreadable or corrupt file or a root of the other kind.
// Reading is bounded (PropertyListLimits.h); a file that exists but is not
// read (not a regular file, corrupt, past a bound) logs one line naming it
// and the reason. Binary lists are read by BinaryPropertyList.h, XML lists
// by libplist.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "runtime/objc.h"

namespace standin {

// The autoreleased object tree of a property list in memory; nil when the
// bytes are not one.
id propertyListFromBytes(const char* bytes, std::size_t length);
// The same for a file at a device path; nil when it cannot be read.
id propertyListWithContentsOfDevicePath(std::string_view devicePath);
// The same for a file at a host path (a bundle's Info.plist, a page's
// specifiers), read within the same bounds; nil when it cannot be read, as
// the system's own readers of these files answer without a word.
id propertyListFromHostFile(const std::string& hostPath);

}  // namespace standin

void registerPropertyLists();
