// An encoding's types one by one, as the runtime's own readers step over
// them (objc4's SkipFirstType in objc-typeencoding.mm): each without its
// qualifiers and the frame offset after it. "r*16@0:8" is "*", "@", ":".
// Raises std::invalid_argument for an encoding that ends inside a type.
#pragma once

#include <string>
#include <string_view>
#include <vector>

std::vector<std::string> encodingTypes(std::string_view types);
