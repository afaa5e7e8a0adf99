// SpringBoard's side of a trace: which of its methods show as "send" events
// when the library calls them. The tracer itself knows neither side; this
// names SpringBoard's interface, as a tracing tool's filter would.
#pragma once

#include <string>

namespace sb::trace {

// Stands a wrapper in front of SpringBoard's own method `selector` of
// `className` (own or inherited), whatever its signature; nothing when the
// class lacks it. Its calls by the library show as "send" events under
// `shownClass` and `shownReceiver` when given.
void interposeReceived(const char* className, const char* selector, const std::string& shownClass = "",
                       const std::string& shownReceiver = "");

// Stands wrappers in front of every shown method (after SpringBoard's
// classes exist, before the module maps).
void interposeSpringBoard();

}  // namespace sb::trace
