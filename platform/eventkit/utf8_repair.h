// Text from reminder files is whatever bytes a sync tool wrote; the objects
// made from it need valid UTF-8.
#pragma once

#include <string>
#include <string_view>

// The text with each ill-formed sequence replaced by U+FFFD (one replacement
// per maximal ill-formed subpart, as Unicode recommends).
std::string repairUTF8(std::string_view bytes);
