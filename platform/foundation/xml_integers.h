// The <integer> elements of an XML property list as CoreFoundation reads
// them, for libplist to parse afterwards: libplist hands the text to strtoll
// with base 0, so "010" would be octal 8, where CF reads decimal 10.
#pragma once

#include <string>
#include <string_view>

namespace standin {

// A copy of `xml` with each <integer> element's text replaced by the decimal
// form of the value CF reads from it; false with the reason when CF would
// reject one (and with it the whole list). Comments and CDATA sections are
// stepped over.
bool canonicalXMLIntegers(std::string_view xml, std::string* out, std::string* error);

}  // namespace standin
