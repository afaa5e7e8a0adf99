// Readable forms of the values that pass through a traced call: objects by
// what identifies them on the lock screen, numbers as written, geometry as
// {{x, y}, {w, h}}.
#pragma once

#include <string>

#include "coregraphics/CGGeometry.h"
#include "runtime/objc.h"

namespace sb::trace {

// Long texts are cut to this many characters and marked with "…".
inline constexpr std::size_t kMaxTextInTrace = 120;

std::string describeObject(id obj);
std::string describeNumber(double value);
// A text as a quoted string, escaped, cut after kMaxTextInTrace bytes.
std::string describeText(const std::string& text);

inline std::string describe(SEL s) { return s ? std::string("@selector(") + sel_getName(s) + ")" : "nil"; }
std::string describe(const CGRect& rect);

}  // namespace sb::trace
