// Registers the simulated SpringBoard's classes as the class table has them
// for one iOS version: each class with the table's superclass, and of the
// members the simulator implements only those the table gives that version,
// on the class the table puts them on, with the table's types. A member the
// table lacks is not registered, so respondsToSelector: answers NO and
// class_getInstanceVariable finds nothing, as on that version's phone.
//
// A simulated member whose types differ from the table's is a defect of the
// simulator: registering it raises std::logic_error.
#pragma once

#include <cstddef>
#include <string>

#include "classes/class_table.h"
#include "runtime/objc.h"

namespace sb {

class ClassRegistration {
 public:
  // Raises std::invalid_argument for a version the table does not know.
  explicit ClassRegistration(std::string version);

  const std::string& version() const { return version_; }
  // The table's entry for the class in this version; null when it has none.
  const table::ClassEntry* entry(const char* className) const;
  bool has(const char* className, char kind, const char* member) const;

  // Defines the class on the table's superclass (already registered), with
  // instances of the C++ type T; nil when this version has no such class.
  template <class T>
  Class define(const char* className) const {
    Class super = superclassFor(className);
    return super ? objc_defineClass<T>(super, className) : nil;
  }
  // Adds an instance (class) method when the table has it for this version.
  bool method(Class cls, const char* selector, IMP imp) const;
  bool classMethod(Class cls, const char* selector, IMP imp) const;
  // Declares the instance variable at `offset` of the class's C++ type, with
  // the table's type, when the table has it.
  bool ivar(Class cls, const char* name, std::ptrdiff_t offset) const;

 private:
  Class superclassFor(const char* className) const;
  const table::Member* memberFor(Class cls, char kind, const char* name) const;

  std::string version_;
};

}  // namespace sb

// Declares T::member as the instance variable of the same name, offset as
// OBJC_IVAR takes it.
#define SB_TABLE_IVAR(registration, cls, T, member)                                                       \
  do {                                                                                                    \
    _Pragma("GCC diagnostic push") _Pragma("GCC diagnostic ignored \"-Winvalid-offsetof\"")(registration) \
        .ivar((cls), #member, offsetof(T, member));                                                       \
    _Pragma("GCC diagnostic pop")                                                                         \
  } while (0)
