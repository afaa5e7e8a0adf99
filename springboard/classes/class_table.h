// SpringBoard's lock-screen classes per system version, as Apple's binaries
// have them: each class's superclass, instance variables and methods with
// their types. The table (classes/class_table.tsv, derived from class-dump
// headers by scripts/derive-class-table.py) is compiled into the library,
// so nothing is read at run time.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/type_encoding.h"

namespace sb::table {

struct Member {
  char kind;  // 'i' ivar, '-' instance method, '+' class method
  // The ivar's name or the method's selector; its type in the table's
  // spelling ("void(id,NSUInteger)", "NSMutableArray*"); the dump header and
  // line it was read from.
  std::string name, type, source;
};

struct ClassEntry {
  std::string name, superclass, superclassSource;
  std::vector<Member> members;  // ivars, then methods, in the table's order
};

// The simulator versions the table covers, oldest first: "7.0" ... "9.3".
const std::vector<std::string>& versions();

// The table's classes for a simulator version ("7.0" ... "9.3"), in the
// table's order, each with the members that version has. Raises
// std::invalid_argument for a version the table does not know.
const std::vector<ClassEntry>& classesFor(const std::string& version);
// Null when the version has no such class; raises as classesFor does for a
// version the table does not know.
const ClassEntry* classFor(const std::string& version, const std::string& className);
const Member* memberOf(const ClassEntry& entry, char kind, const std::string& name);  // null if absent

// The device compiler's encoding of a table type for a slice, without frame
// offsets, as the platform runtime reports encodings (deviceEncoding): a
// method type "void(id,NSUInteger)" is "v@:@Q" on arm64 and "v@:@I" on
// armv7; an ivar type "NSMutableArray*" is "@\"NSMutableArray\"", "id" "@",
// "BOOL" "B" or "c", "id<Proto>" "@\"<Proto>\"", "block" "@?". Raises
// std::invalid_argument for a type outside the table's vocabulary.
std::string methodEncoding(const std::string& type, DeviceSlice slice);
std::string ivarEncoding(const std::string& type, DeviceSlice slice);

// A table in the format of classes/class_table.tsv, by version. Raises
// std::logic_error naming the line for a malformed row. classesFor reads
// the compiled-in table through this once.
struct Table {
  std::vector<std::vector<ClassEntry>> byVersion;  // parallel to versions()
};
Table parseTable(std::string_view text);

}  // namespace sb::table
