#include "bulletinboard/bulletinboard.h"

#include "bulletinboard/BBAction.h"
#include "bulletinboard/BBBulletin.h"

void registerBulletinBoard() {
  registerBBAction();
  registerBBBulletin();
}
