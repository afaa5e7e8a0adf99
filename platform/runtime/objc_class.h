// The runtime's own record of a class; only the runtime looks inside it.
#pragma once

#include <string>
#include <unordered_map>

#include "runtime/objc.h"

struct objc_method {
  IMP imp;
  std::string types;
};

struct objc_ivar {
  std::string name;
  std::ptrdiff_t offset = 0;
  std::string types;
};

struct objc_class : objc_object {
  std::string name;
  Class superclass = nullptr;
  bool meta = false;
  ObjectFactory factory;
  std::unordered_map<SEL, objc_method> methods;
  std::unordered_map<std::string, objc_ivar> ivars;
  std::string image;  // the image that defines the class; empty for one made at run time
};
