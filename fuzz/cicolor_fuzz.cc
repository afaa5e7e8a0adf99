// Core Image's colour text, as list colours travel inside bulletin
// identifiers and come back through +colorWithString:.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "coreimage/CIColor.h"
#include "foundation/NSString.h"
#include "runtime/autorelease.h"
#include "runtime/message.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  AutoreleasePool pool;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  CGFloat components[4];
  CIColorParseComponents(text, components);
  CIColorFormatComponents(components);
  if (id string = standin::stringWithUTF8(text)) {
    id color = msgSend<id, id>(objc_getClass("CIColor"), "colorWithString:", string);
    msgSend<id>(color, "stringRepresentation");
    msgSend<id, id>(objc_getClass("UIColor"), "colorWithCIColor:", color);
  }
  return 0;
}
