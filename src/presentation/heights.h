// Row heights of own rows, from the text-size settings.
#pragma once

#include "host/uikit.h"

namespace qst {

extern Saved<CGFloat(id, SEL, id, id)> savedHeightForRow;
CGFloat heightForRowAtIndexPath(id self, SEL cmd, id tableView, id indexPath);

}  // namespace qst
