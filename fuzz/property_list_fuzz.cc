// Property lists as the settings, selection and sorting files hold them,
// XML or binary (the reader tells them apart by their first bytes).
#include <cstddef>
#include <cstdint>

#include "foundation/PropertyList.h"
#include "runtime/autorelease.h"
#include "runtime/message.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  AutoreleasePool pool;
  id root = standin::propertyListFromBytes(reinterpret_cast<const char*>(data), size);
  // What the library asks of what it reads.
  if (root && msgSend<BOOL, SEL>(root, "respondsToSelector:", sel("count"))) msgSend<NSUInteger>(root, "count");
  return 0;
}
