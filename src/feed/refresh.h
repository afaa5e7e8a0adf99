// The refresh cycle: each time SpringBoard's lock-screen list controller
// loads its view, the library withdraws what it published last time and
// hands the current reminders to the controller as bulletins.
#pragma once

#include "host/objc.h"

extern "C" {
// The bulletins of the most recent cycle, in the order composed.
extern StrongId publishedBulletins;
// The number of reminders the last enabled cycle received from the query.
extern NSInteger cvnItemsCount;
}

namespace qst {

extern Saved<void(id, SEL)> savedLoadView;
void loadView(id self, SEL cmd);

}  // namespace qst
