// UTF-8 text measured in UTF-16 units, as NSString's lengths and ranges are.
#pragma once

#include <string>
#include <string_view>

bool utf8IsValid(std::string_view utf8);
// Number of UTF-16 units of valid UTF-8 text.
unsigned long utf16Length(std::string_view utf8);
// The UTF-16 range [location, location + length) as UTF-8; false when the
// range does not lie inside the text. A range that splits a surrogate pair
// keeps the whole character.
bool utf16Substring(std::string_view utf8, unsigned long location, unsigned long length, std::string* out);
