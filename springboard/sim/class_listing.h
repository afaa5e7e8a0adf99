// springboard-sim --classes: the simulated SpringBoard's classes of the
// running iOS version, as its runtime has them, in the class table's order:
// each class with its superclass and its own instance variables and methods
// (not inherited ones) with their type encodings for the simulated slice.
#pragma once

#include <ostream>
#include <string>

namespace sim {

void writeClassListing(std::ostream& out, const std::string& ios, bool json);

}  // namespace sim
