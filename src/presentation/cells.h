// Styling of the lock-screen list's cells: own rows get the user's fonts,
// colours, date placement and separators, at full alpha.
#pragma once

#include "host/uikit.h"

namespace qst {

// The nearest ancestor of a view that is a table view (never the view).
id enclosingTableView(id view);

extern Saved<id(id, SEL, NSInteger, id)> savedInitWithStyle;
id initWithStyle(id self, SEL cmd, NSInteger style, id reuseIdentifier);

extern Saved<void(id, SEL, CGFloat)> savedSetContentAlpha;
void setContentAlpha(id self, SEL cmd, CGFloat alpha);

extern Saved<void(id, SEL)> savedLayoutSubviews;
void layoutSubviews(id self, SEL cmd);

}  // namespace qst
