// NSIndexPath: a table row's place (class "NSIndexPath";
// +indexPathForRow:inSection:, -row, -section, -isEqual:, -compare:).
#pragma once

#include "runtime/objc.h"

struct NSIndexPathObj : objc_object {
  NSInteger section = 0;
  NSInteger row = 0;
};

namespace standin {

id indexPathForRow(NSInteger row, NSInteger section);  // autoreleased

}  // namespace standin

void registerNSIndexPath();
