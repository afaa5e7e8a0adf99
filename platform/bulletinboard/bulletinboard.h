// BulletinBoard's records: BBBulletin and BBAction.
#pragma once

void registerBulletinBoard();
