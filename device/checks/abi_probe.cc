// Sends of each return kind through the iOS backend, compiled for both
// processors; check_abi.sh reads which runtime entry point each one calls.
#include "host/foundation.h"
#include "host/uikit.h"

extern "C" {
CGSize probeSizeReturn(id receiver) { return msgSend<CGSize>(receiver, "size"); }
CGRect probeRectReturn(id receiver) { return msgSend<CGRect>(receiver, "bounds"); }
CGFloat probeLengthReturn(id receiver) { return msgSend<CGFloat>(receiver, "scale"); }
id probeObjectReturn(id receiver) { return msgSend<id>(receiver, "superview"); }
// A structure argument does not make a structure return.
id probeRangeArgument(id receiver) { return msgSend<id, NSRange>(receiver, "substringWithRange:", NSRange{1, 6}); }
}
