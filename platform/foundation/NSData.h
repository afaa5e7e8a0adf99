// NSData: an immutable run of bytes (class "NSData"; -length, -bytes,
// -isEqual: by content).
#pragma once

#include <cstddef>
#include <vector>

#include "runtime/objc.h"

struct NSDataObj : objc_object {
  std::vector<unsigned char> bytes;
};

namespace standin {

id dataWithBytes(const void* bytes, std::size_t length);  // autoreleased
bool isData(id obj);

}  // namespace standin

void registerNSData();
