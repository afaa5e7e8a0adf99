// NSScanner: reads numbers from a string (class "NSScanner";
// +scannerWithString:, -scanLocation/-setScanLocation: in UTF-16 units,
// -scanHexInt:, -isAtEnd, -string). Leading whitespace and newlines are
// skipped before each scan, as the device's default scanner does.
#pragma once

#include <string>

#include "runtime/objc.h"

struct NSScannerObj : objc_object {
  id string = nullptr;      // retained
  std::u16string units;     // the string's UTF-16 units
  NSUInteger location = 0;  // index into units
  ~NSScannerObj() override;
};

void registerNSScanner();
