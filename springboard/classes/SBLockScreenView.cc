#include "classes/SBLockScreenView.h"

#include <algorithm>

#include "classes/classes.h"
#include "foundation/NSString.h"
#include "runtime/message.h"

namespace sb {
namespace {

Class gLockScreenView = nullptr;

SBLockScreenViewObj* asView(id self) { return static_cast<SBLockScreenViewObj*>(self); }

id initWithFrame(id self, SEL cmd, CGRect frame) { return msgSendSuper<id, CGRect>(gLockScreenView, self, cmd, frame); }

// Requests are keyed by name: asking twice under one name is one request.
void addUnderlay(id self, SEL, id requester) {
  if (!standin::isString(requester)) return;
  auto& requesters = asView(self)->underlayRequesters;
  std::string name = standin::utf8Of(requester);
  if (std::find(requesters.begin(), requesters.end(), name) == requesters.end()) requesters.push_back(name);
}

void removeUnderlay(id self, SEL, id requester) {
  if (!standin::isString(requester)) return;
  auto& requesters = asView(self)->underlayRequesters;
  std::erase(requesters, standin::utf8Of(requester));
}

}  // namespace

void registerLockScreenView(const ClassRegistration& table) {
  table.define<UIViewObj>("SBAlertView");
  gLockScreenView = table.define<SBLockScreenViewObj>("SBLockScreenView");
  table.method(gLockScreenView, "initWithFrame:", initWithFrame);
  table.method(gLockScreenView, "_addLockContentUnderlayWithRequester:", addUnderlay);
  table.method(gLockScreenView, "_removeLockContentUnderlayWithRequester:", removeUnderlay);
}

}  // namespace sb
