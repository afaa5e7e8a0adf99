// The colour of a reminder's list, carried in its bulletin identifier after
// the first "|" in Core Image's text form.
#pragma once

#include "host/uikit.h"

namespace qst {

// The list colour of an own identifier, or white (with one of the two "did
// not find custom color string!" log lines) when the identifier is absent,
// shorter than `minimumLength`, or has no "|".
id listColorFromBulletinID(id bulletinID, NSUInteger minimumLength);

}  // namespace qst
