// The class "SpringBoard": its presence is how a load-in library knows it
// runs inside SpringBoard.
#include "classes/classes.h"
#include "runtime/nsobject.h"

namespace sb {

void registerSpringBoardApplication() {
  objc_defineClass<objc_object>(standin::nsObjectClass(), "SpringBoard");
}

}  // namespace sb
