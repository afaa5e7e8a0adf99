// The class "SpringBoard": its presence is how a load-in library knows it
// runs inside SpringBoard. A UIApplication on iOS 7; from iOS 8 on
// FrontBoard's FBSystemApp (jacob-8.1/SpringBoard.h:19), itself taken to be a
// UIApplication: no dump here shows FBSystemApp's superclass or members, and
// none are modelled.
#include "classes/classes.h"
#include "runtime/nsobject.h"

namespace sb {

void registerSpringBoardApplication(const ClassRegistration& table) {
  const table::ClassEntry* entry = table.entry("SpringBoard");
  if (entry && entry->superclass == "FBSystemApp" && !objc_getClass("FBSystemApp"))
    objc_defineClass<objc_object>(objc_getClass("UIApplication"), "FBSystemApp");
  table.define<objc_object>("SpringBoard");
}

}  // namespace sb
