// Text measured as the library measures its rows: any point size a
// settings file can hold (the first eight bytes, as a double) and any text
// (the rest).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "foundation/NSString.h"
#include "runtime/autorelease.h"
#include "runtime/message.h"
#include "uikit/NSStringDrawing.h"
#include "uikit/UIFont.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < sizeof(double)) return 0;
  AutoreleasePool pool;
  double pointSize;
  std::memcpy(&pointSize, data, sizeof pointSize);
  id font = standin::systemFontOfSize(pointSize);
  msgSend<CGFloat>(font, "lineHeight");
  const std::string_view text(reinterpret_cast<const char*>(data) + sizeof pointSize, size - sizeof pointSize);
  standin::fontLineAdvance(font, text);
  if (id string = standin::stringWithUTF8(text)) standin::sizeOfStringWithFont(string, font);
  return 0;
}
