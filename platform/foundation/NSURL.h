// NSURL: a URL kept as the text it was made from (class "NSURL";
// +URLWithString:, -absoluteString, -scheme, -isEqual:).
#pragma once

#include <string>

#include "runtime/objc.h"

struct NSURLObj : objc_object {
  std::string text;
};

namespace standin {

// Autoreleased; nil for empty text or text with characters a URL cannot hold.
id urlWithUTF8(const std::string& text);

}  // namespace standin

void registerNSURL();
