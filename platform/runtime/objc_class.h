// The runtime's own record of a class; only the runtime looks inside it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "runtime/objc.h"

struct MethodCache;  // method_cache.h

struct objc_method {
  IMP imp;
  // The encoding the method was added with: the caller's text, or else the
  // one its implementation at the time derives (a replaced method keeps it).
  std::optional<std::string> given;
  const char* types = nullptr;
  std::uint64_t realDoubles = 0;
};

// Names are looked up as C strings, without building a string for each.
struct NameHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view name) const { return std::hash<std::string_view>{}(name); }
};

struct objc_ivar {
  std::string name;
  std::ptrdiff_t offset = 0;
  std::string types;
};

struct objc_class : objc_object {
  // What every message reads first, together at the object's start.
  std::atomic<const MethodCache*> methodCache{nullptr};  // what messages to its instances found
  Class superclass = nullptr;
  bool meta = false;
  std::string name;
  ObjectFactory factory;
  std::unordered_map<SEL, objc_method> methods;
  std::unordered_map<std::string, objc_ivar, NameHash, std::equal_to<>> ivars;
  std::string image;  // the image that defines the class; empty for one made at run time
};
