#pragma once

#include "host/uikit.h"

namespace qst {

// Applies the user's fonts, colours, frames, blank unlock text and separator
// choice to a cell SpringBoard has just laid out. `item` is the row's own
// list item, or nil for a row of another kind.
void styleCell(id cell, id item);

}  // namespace qst
